#!/usr/bin/env bash
# Takes the pictures of the Japanese manual (docs/manual/images/) from the
# real program, headless: a virtual display and a virtual microphone into
# which the demo recording of hand keying is played. Run it again whenever
# the program's look changes; the package takes the pictures from there.
#   scripts/manual-screenshots.sh [OUTPUT_DIR]   (default docs/manual/images)
# Pictures: start-up, during a measurement, the statistics after the
# automatic stop, the print and replay window during a replay, the device
# dialog and the about box, each cut out with its frame and caption.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(mkdir -p "${1:-docs/manual/images}" && cd "${1:-docs/manual/images}" && pwd)
build=${VENTROK_BUILD:-$root/build}

bash scripts/install-packages.sh
scripts/build.sh windows >/dev/null

# shellcheck source=session.sh
. scripts/session.sh
session_start headless
work=$(mktemp -d)
trap 'session_stop; rm -rf "$work"' EXIT

probe() { wine "$build/windows/window_probe.exe" "$@"; }
# A caption as the probe takes it: code page 932 bytes in hex.
hex() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n'; }
main=$(hex "Ventrok Ver0.5")

# Cuts the window with that caption out of the screen into NAME.png.
shoot() {
    local caption_hex=$1 name=$2 left top right bottom
    probe window-wait "$caption_hex" 20 >/dev/null
    sleep 1
    read -r left top right bottom < <(probe window-rect "$caption_hex" | tr -d '\r')
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        -strip "$out/$name.png"
    echo "picture: $out/$name.png"
}

# Waits until the control ID of the main window is enabled (1) or not (0).
wait_enabled() {
    local id=$1 want=$2
    for _ in $(seq 1 120); do
        if probe controls | tr -d '\r' | awk -v id="$id" -v want="$want" \
            '$1 == id && $3 == want { found = 1 } END { exit !found }'; then
            return 0
        fi
        sleep 0.5
    done
    echo "control $id never became $want" >&2
    return 1
}

# Wine's desktop window draws the frames and captions; the session keeps it
# open (its start fails when the desktop does not open).

# The program runs in an empty folder: no keying data file at start-up.
(cd "$work" && exec wine "$build/windows/ventrok.exe") &
program=$!
probe wait 60 >/dev/null
sleep 2
shoot "$main" startup

probe click 1005 >/dev/null
sleep 0.5
LC_ALL=C paplay -d micfeed tests/data/demo_keying.wav &
player=$!
sleep 16
shoot "$main" measuring
wait "$player"
# The demo ends with 11 s of silence: the measurement stops by itself after 10.
wait_enabled 1015 1
sleep 1
shoot "$main" statistics
[ -f "$work/打鍵データ.csv" ] || { echo "the program saved no keying data file" >&2; exit 1; }

replay=$(hex "印字・再生")
probe command 1016 >/dev/null
probe window-wait "$replay" 20 >/dev/null
sleep 1
probe window-click "$replay" 1000 >/dev/null
probe window-click "$replay" 1004 >/dev/null
sleep 8
shoot "$replay" replay
probe window-click "$replay" 1004 >/dev/null
sleep 1
probe window-click "$replay" 1005 >/dev/null
probe window-gone "$replay" 10 >/dev/null

about=$(hex "バージョン情報")
probe command 105 >/dev/null
shoot "$about" about
probe dialog-button "$about" 1 >/dev/null
probe gone "$about" >/dev/null

devices=$(hex "入出力デバイス選択")
probe command 107 >/dev/null
shoot "$devices" devices
probe dialog-button "$devices" 3 >/dev/null
probe gone "$devices" >/dev/null
sleep 1

probe command 104 >/dev/null
wait "$program" || true
