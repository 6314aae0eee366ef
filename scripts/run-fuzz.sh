#!/bin/sh
# Builds the fuzz targets of the keying data file reader and of the reader of
# recordings with clang (libFuzzer + AddressSanitizer) in build/fuzz and runs
# each on a copy of its seed corpus for a bounded time.
# Usage: scripts/run-fuzz.sh [seconds]   (default 30 for each). Exits non-zero
# when a fuzzer finds a crash; the crashing input is left in build/fuzz.
#
# The target is compiled here directly rather than through the CMake build:
# clang rejects -fexec-charset=CP932, which the CMake build gives every C++
# file, and the core's other modules check that their literals are CP932.
# The reader does not look at the labels, so UTF-8 labels in this build do
# not change what is being fuzzed.
set -eu

seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz"
CXX=${CXX:-clang++}

mkdir -p "$out"

# fuzz NAME SOURCES... : builds the target NAME and runs it on a copy of its
# seed corpus (tests/fuzz/$CORPUS) for the given time.
fuzz() {
    local name=$1 corpus=$2
    shift 2
    "$CXX" -std=c++17 -g -O1 -fsanitize=fuzzer,address -Wall -Wextra -I"$root" "$@" \
        -o "$out/$name"
    rm -rf "${out:?}/$name.corpus"
    mkdir -p "$out/$name.corpus"
    cp "$root/tests/fuzz/$corpus"/* "$out/$name.corpus/"
    (cd "$out" && "./$name" -max_total_time="$seconds" -max_len=16384 \
        -artifact_prefix="$out/$name-" -print_final_stats=1 "$name.corpus")
}

fuzz keying_file_fuzz corpus "$root/tests/fuzz/keying_file_fuzz.cpp" \
    "$root/core/replay/keying_file.cpp" "$root/core/analysis/statistics.cpp"
fuzz recording_fuzz wav_corpus "$root/tests/fuzz/recording_fuzz.cpp" \
    "$root/core/audio/recording_reader.cpp" "$root/core/audio/wav_reader.cpp" \
    "$root/core/audio/rate_converter.cpp"
