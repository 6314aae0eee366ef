#!/usr/bin/env bash
# Builds the native core with its tests (build/native) and the Windows
# program with its tests (build/windows).
#   scripts/build.sh [native|windows|all] [TARGET...]
# With targets, only those are built (e.g. scripts/build.sh windows ventrok).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VENTROK_BUILD:-$root/build}
what=${1:-all}
shift || true
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
jobs=$(nproc)

if [ "$what" = native ] || [ "$what" = all ]; then
    cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$build/native" -j"$jobs" "${targets[@]}"
fi
if [ "$what" = windows ] || [ "$what" = all ]; then
    cmake -S "$root" -B "$build/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    cmake --build "$build/windows" -j"$jobs" "${targets[@]}"
fi
