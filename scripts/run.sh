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
# It runs beside a test run: the session takes its own display, sound server
# and Wine prefix (scripts/session.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh
mkdir -p build/run
scripts/build.sh windows >build/run/build.log 2>&1 || {
    cat build/run/build.log
    echo "the build failed (build/run/build.log)" >&2
    exit 1
}

# shellcheck source=session.sh
. scripts/session.sh
mode=auto
[ "${VENTROK_HEADLESS:-}" = 1 ] && mode=headless
session_start "$mode"
trap session_stop EXIT

if [ -z "${SESSION_HEADLESS:-}" ] && [ -z "${SESSION_PRIVATE_AUDIO:-}" ]; then
    cd build/run
    wine "$root/build/windows/ventrok.exe"
    exit 0
fi

probe() { wine "$root/build/windows/window_probe.exe" "$@"; }

# Runs the command every 0.2 s until it succeeds; fails with the description
# after the given number of seconds.
wait_for() {
    local description=$1 seconds=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "run.sh: $description did not happen within $seconds s" >&2
            return 1
        fi
        sleep 0.2
    done
}

# True when the control is enabled in the main window.
control_enabled() { probe controls | awk -v id="$1" '$1 == id && $3 == 1 { found = 1 } END { exit !found }'; }

# True when something is drawn in the client area's rectangle WxH+X+Y.
drawn_at() {
    probe capture build/run/client.bmp >/dev/null 2>&1 &&
        [ "$(convert build/run/client.bmp -crop "$1" -format '%[fx:minima]' info:)" != 1 ]
}

(cd build/run && exec wine "$root/build/windows/ventrok.exe") &
program=$!
probe wait 60 || { echo "run.sh: the main window did not appear within 60 s" >&2; exit 1; }
# The first paint draws the start prompt at (180, 260).
wait_for "the first paint of the main window" 30 drawn_at 160x14+180+260
import -window root build/run/ventrok-start.png
echo "screenshot at start-up: build/run/ventrok-start.png"
probe click 1005
wait_for "the start of the measurement (停止 enabled)" 10 control_enabled 1007
echo "playing the demo keying into the virtual microphone (about 32 s)"
LC_ALL=C paplay -d micfeed tests/data/demo_keying.wav
# The program stops by itself 10 s after the last key-down.
wait_for "the automatic stop (クリア enabled)" 30 control_enabled 1015
# The statistics panel ("集計時間" at (120, 170)) reaches the screen with the
# next meter update.
wait_for "the statistics panel" 10 drawn_at 100x14+120+170
import -window root build/run/ventrok-main-window.png
echo "screenshot: build/run/ventrok-main-window.png"
if [ -f build/run/打鍵データ.csv ]; then
    echo "keying data file: build/run/打鍵データ.csv"
fi
rm -f build/run/client.bmp
probe command 104
wait $program || true
