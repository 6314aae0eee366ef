#!/usr/bin/env bash
# GDI leak soak: runs the program for a number of minutes (default 10) on
# continuous keying with 単位時間表示 on, restarting the measurement after each
# automatic stop, samples its GDI object count every 30 s, prints the series
# and exits non-zero when the count grew after the first minute and a half.
#   scripts/soak-gdi.sh [minutes]
#
# Wine's GetGuiResources always answers 0, so the soak runs the counting
# variant of the program that the Windows build makes (ventrok_gdicount.exe:
# every shell file compiled with -include tests/e2e/gdi_count.h, which wraps
# the calls that create and delete GDI objects) and reads its count. Needs
# the native build (make_keying_wav) and the Windows build of
# scripts/build.sh. Starts and stops its own session in $VENTROK_BUILD
# (beside any other session running there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export VENTROK_BUILD=${VENTROK_BUILD:-$root/build}
minutes=${1:-10}

counting_program=$VENTROK_BUILD/windows/ventrok_gdicount.exe
for needed in "$VENTROK_BUILD/native/make_keying_wav" "$VENTROK_BUILD/windows/window_probe.exe" \
    "$counting_program"; do
    if [ ! -e "$needed" ]; then
        echo "soak-gdi: $needed is missing; run scripts/build.sh all first" >&2
        exit 2
    fi
done

# shellcheck source=session.sh
. "$root/scripts/session.sh"
session_start headless
trap session_stop EXIT
status=0
(cd "$root/tests/e2e" && python3 gdi_soak.py "$minutes" "$counting_program") || status=$?
exit $status
