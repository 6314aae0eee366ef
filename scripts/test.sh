#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests, the Windows
# tests under Wine, the end-to-end tests with the real program and real
# audio, and bounded fuzz runs of the readers of the keying data file and of
# recordings.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh || exit 1
scripts/build.sh all || exit 1

failed=0
(cd build/native && ctest --output-on-failure) 2>&1 | tee build/native-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || failed=1

# shellcheck source=session.sh
. scripts/session.sh
session_start headless || exit 1
trap session_stop EXIT
# The end-to-end tests log here every run they repeated, with its evidence.
retries=build/test-artifacts/retries.log
rm -f "$retries"
(cd build/windows && ctest --output-on-failure) 2>&1 | tee build/windows-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || failed=1

scripts/run-fuzz.sh "${VENTROK_FUZZ_SECONDS:-30}" >build/fuzz.log 2>&1 || {
    echo "fuzzing the readers of the keying data file and of recordings found a crash (build/fuzz.log)"
    failed=1
}
grep -E "^Done [0-9]+ runs" build/fuzz.log

# One closing line over both test runs and the fuzz run.
summary() { sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1; }
read -r native_failed native_total <<<"$(summary build/native-tests.log)"
read -r windows_failed windows_total <<<"$(summary build/windows-tests.log)"
fuzz_failed=0
[ "$(grep -cE "^Done [0-9]+ runs" build/fuzz.log)" -eq 2 ] || fuzz_failed=1
total_failed=$(( ${native_failed:-1} + ${windows_failed:-1} + fuzz_failed ))
total=$(( ${native_total:-0} + ${windows_total:-0} + 1 ))
[ "$total_failed" -eq 0 ] || failed=1
if [ -s "$retries" ]; then
    cat "$retries"
fi
repeated=0
[ -f "$retries" ] && repeated=$(wc -l <"$retries")
echo "end-to-end runs repeated after a disturbance of the sound path: $repeated"
echo "tests: $(( total - total_failed )) passed, $total_failed failed"
exit $failed
