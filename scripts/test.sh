#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests, the Windows
# tests under Wine, the end-to-end tests with the real program and real
# audio, and a bounded fuzz run of the keying data file reader.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh || exit 1
scripts/build.sh all || exit 1

failed=0
(cd build/native && ctest --output-on-failure) || failed=1

# shellcheck source=session.sh
. scripts/session.sh
session_start headless
trap session_stop EXIT
(cd build/windows && ctest --output-on-failure) || failed=1

scripts/run-fuzz.sh "${VENTROK_FUZZ_SECONDS:-30}" >build/fuzz.log 2>&1 || {
    echo "fuzzing the keying data file reader found a crash (build/fuzz.log)"
    failed=1
}
tail -n 3 build/fuzz.log

native=$(ctest --test-dir build/native -N | sed -n 's/^Total Tests: //p')
windows=$(ctest --test-dir build/windows -N | sed -n 's/^Total Tests: //p')
echo "native tests: $native, Windows and end-to-end tests: $windows"
exit $failed
