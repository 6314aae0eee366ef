#!/usr/bin/env bash
# Runs Ventrok.
# - With a display and a sound server: the program opens in your display and
#   uses your sound devices; close it to end.
# - Headless (no display, or VENTROK_HEADLESS=1): the program runs in a
#   virtual display with a virtual microphone; the demo recording of hand
#   keying is played into it after 開始 is pressed, the program stops by
#   itself after 10 s of silence, and the saved keying data file and
#   screenshots of the main window (at start-up and after the measurement)
#   are left in build/run/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh
scripts/build.sh windows >/dev/null

# shellcheck source=session.sh
. scripts/session.sh
mode=auto
[ "${VENTROK_HEADLESS:-}" = 1 ] && mode=headless
session_start "$mode"
trap session_stop EXIT

mkdir -p build/run
if [ -z "${SESSION_HEADLESS:-}" ] && [ -z "${SESSION_PRIVATE_AUDIO:-}" ]; then
    cd build/run
    wine "$root/build/windows/ventrok.exe"
    exit 0
fi

probe() { wine "$root/build/windows/window_probe.exe" "$@"; }
(cd build/run && exec wine "$root/build/windows/ventrok.exe") &
program=$!
probe wait 60
sleep 2
import -window root build/run/ventrok-start.png
echo "screenshot at start-up: build/run/ventrok-start.png"
probe click 1005
sleep 0.5
echo "playing the demo keying into the virtual microphone (about 32 s)"
LC_ALL=C paplay -d micfeed tests/data/demo_keying.wav
sleep 2
import -window root build/run/ventrok-main-window.png
echo "screenshot: build/run/ventrok-main-window.png"
if [ -f build/run/打鍵データ.csv ]; then
    echo "keying data file: build/run/打鍵データ.csv"
fi
probe command 104
wait $program || true
