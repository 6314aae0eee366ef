#!/bin/sh
# Builds the keying data file fuzz target with clang (libFuzzer + AddressSanitizer)
# in build/fuzz and runs it on a copy of the seed corpus for a bounded time.
# Usage: scripts/run-fuzz.sh [seconds]   (default 30). Exits non-zero when the
# fuzzer finds a crash; the crashing input is left in build/fuzz.
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
"$CXX" -std=c++17 -g -O1 -fsanitize=fuzzer,address -Wall -Wextra -I"$root" \
    "$root/tests/fuzz/keying_file_fuzz.cpp" \
    "$root/core/replay/keying_file.cpp" \
    "$root/core/analysis/statistics.cpp" \
    -o "$out/keying_file_fuzz"

rm -rf "$out/corpus"
mkdir -p "$out/corpus"
cp "$root"/tests/fuzz/corpus/* "$out/corpus/"

cd "$out"
exec ./keying_file_fuzz -max_total_time="$seconds" -max_len=16384 \
    -artifact_prefix="$out/" -print_final_stats=1 corpus
