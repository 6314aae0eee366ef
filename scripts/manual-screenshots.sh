#!/usr/bin/env bash
# Takes the pictures of the Japanese manual (docs/manual/images/) from the
# real program, headless: a virtual display and a virtual microphone into
# which the demo recording of hand keying is played. Run it again whenever
# the program's look changes; the package takes the pictures from there.
#   scripts/manual-screenshots.sh [OUTPUT_DIR]   (default docs/manual/images)
# Pictures: start-up, during a measurement, the statistics after the
# automatic stop, the print and replay window during a replay (cut to its
# printed strip), the device dialog and the about box, each cut out with its
# frame and caption; and two close-ups with numbered call-outs that the
# manual's tables explain: the 操作 band (controls.png, its two halves one
# above the other) and the statistics panel (statistics-panel.png); the file
# menu and the open-file dialog of 録音ファイルを計測.
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

# Cuts the window with that caption out of the screen into NAME.png, drawn
# as the active window.
shoot() {
    local caption_hex=$1 name=$2 left top right bottom
    probe window-wait "$caption_hex" 20 >/dev/null
    probe window-activate "$caption_hex" >/dev/null
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

# The client area's top-left corner in a picture cut by shoot: the frame is
# as wide on every side, the caption and menu lie above the client area.
client_origin() {
    local picture=$1 client_width=$2 client_height=$3 width height border
    read -r width height < <(identify -format '%w %h\n' "$picture")
    border=$(((width - client_width) / 2))
    echo "$border $((height - client_height - border))"
}

# Call-outs: a number in a circle above ("up") or below ("down") a picture,
# with a line to a point of it. callouts IN OUT "N X Y up|down" ...
# Circles with no line beside a point: callouts_beside IN OUT "N X Y" ...
callout_colour='#1750b8'
callout_font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
callout_margin=30
callout_radius=10
draw_number() {
    local width=$1 height=$2 n=$3 x=$4 y=$5
    # Text is placed relative to the centre of the picture.
    printf '%s\n' -annotate "$(printf '%+d%+d' $((x - width / 2)) $((y - height / 2 - 1)))" "$n"
}
callouts() {
    local in=$1 result=$2 width height n x y side circle_y
    shift 2
    read -r width height < <(identify -format '%w %h\n' "$in")
    local shapes=() numbers=()
    height=$((height + 2 * callout_margin))
    for callout in "$@"; do
        read -r n x y side <<<"$callout"
        y=$((y + callout_margin))
        if [ "$side" = up ]; then
            circle_y=$((callout_margin / 2))
        else
            circle_y=$((height - callout_margin / 2))
        fi
        shapes+=(-draw "line $x,$circle_y $x,$y"
                 -draw "circle $x,$circle_y $((x + callout_radius)),$circle_y")
        mapfile -t -O ${#numbers[@]} numbers < <(draw_number "$width" "$height" "$n" "$x" "$circle_y")
    done
    convert "$in" -background white -gravity north -splice "0x$callout_margin" \
        -gravity south -splice "0x$callout_margin" -gravity northwest \
        -fill "$callout_colour" -stroke "$callout_colour" -strokewidth 2 "${shapes[@]}" \
        -stroke none -fill white -font "$callout_font" -pointsize 13 -gravity center \
        "${numbers[@]}" "$result"
}
callouts_beside() {
    local in=$1 result=$2 width height n x y
    shift 2
    read -r width height < <(identify -format '%w %h\n' "$in")
    local shapes=() numbers=()
    for callout in "$@"; do
        read -r n x y <<<"$callout"
        shapes+=(-draw "circle $x,$y $((x + callout_radius)),$y")
        mapfile -t -O ${#numbers[@]} numbers < <(draw_number "$width" "$height" "$n" "$x" "$y")
    done
    convert "$in" -fill "$callout_colour" -stroke none "${shapes[@]}" \
        -fill white -font "$callout_font" -pointsize 13 -gravity center "${numbers[@]}" "$result"
}

# The client rectangle (left top right bottom) of every control of the main
# window, by its id, and by its caption (hex) for the controls without one.
declare -A control_rect
read_control_rects() {
    local id class left top right bottom style caption
    while read -r id class left top right bottom style caption; do
        control_rect[$id]="$left $top $right $bottom"
        [ -n "$caption" ] && control_rect[$caption]="$left $top $right $bottom"
    done < <(probe control-rects | tr -d '\r')
}
# The middle of a control's upper (up) or lower (down) edge, shifted left by
# the first column of the cut it appears in, as "X Y up|down". Several ids
# stand for the rectangle around them all; "L,T,R,B" for a rectangle itself.
edge_point() {
    local side=$1 shift_x=$2 left=9999 top=9999 right=0 bottom=0 l t r b
    shift 2
    for id in "$@"; do
        read -r l t r b <<<"${control_rect[$id]:-${id//,/ }}"
        ((l < left)) && left=$l
        ((t < top)) && top=$t
        ((r > right)) && right=$r
        ((b > bottom)) && bottom=$b
    done
    if [ "$side" = up ]; then
        echo "$(((left + right) / 2 - shift_x)) $top up"
    else
        echo "$(((left + right) / 2 - shift_x)) $bottom down"
    fi
}

# Wine's desktop window draws the frames and captions; the session keeps it
# open (its start fails when the desktop does not open).

# The program runs in an empty folder: no keying data file at start-up.
(cd "$work" && exec wine "$build/windows/ventrok.exe") &
program=$!
probe wait 60 >/dev/null
sleep 2
shoot "$main" startup

# The 操作 band of the start-up picture, in two halves: the measurement
# buttons and 解読設定, then the rest. The level meter is drawn by the
# program at fixed pixels, not a control.
read -r client_width client_height < <(probe client | tr -d '\r')
read -r client_x client_y < <(client_origin "$out/startup.png" "$client_width" "$client_height")
read_control_rects
read -r _ _ _ band_bottom <<<"${control_rect[$(hex "操作")]}"
meter="948,25,1011,37"
half=572 # between the 解読設定 frame (to x 564) and 倍速掃引 (from x 581)
band_height=$band_bottom # the 解読 frame begins below
convert "$out/startup.png" -crop "${half}x$band_height+$client_x+$client_y" +repage "$work/band-left.png"
convert "$out/startup.png" -crop "$((client_width - half))x$band_height+$((client_x + half))+$client_y" \
    +repage "$work/band-right.png"
callouts "$work/band-left.png" "$work/callouts-left.png" \
    "1 $(edge_point up 0 1005)" "2 $(edge_point up 0 1007)" "3 $(edge_point up 0 1015)" \
    "4 $(edge_point up 0 1016)" "5 $(edge_point down 0 1014)" "6 $(edge_point up 0 1027)" \
    "7 $(edge_point down 0 1028)"
callouts "$work/band-right.png" "$work/callouts-right.png" \
    "8 $(edge_point up $half 1018)" "9 $(edge_point up $half 1035)" \
    "10 $(edge_point up $half 1012)" "11 $(edge_point up $half 1008)" \
    "12 $(edge_point down $half 1024 1025 1026)" "13 $(edge_point down $half 1019)" \
    "14 $(edge_point up $half "$meter")" "15 $(edge_point down $half 1009)" \
    "16 $(edge_point up $half 1021)"
convert "$work/callouts-left.png" -size 1x12 xc:white "$work/callouts-right.png" -background white -append \
    -bordercolor white -border 6 -strip "$out/controls.png"
echo "picture: $out/controls.png"

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

# The statistics panel's texts, at the program's fixed pixels (client x 120,
# 420 and 720; rows from y 170; 12 pixels high), each numbered on its left,
# in the order of the manual's table.
panel_left=84
panel_top=158
convert "$out/statistics.png" -crop "790x232+$((client_x + panel_left))+$((client_y + panel_top))" \
    +repage "$work/panel.png"
panel_callouts=()
number=1
for at in 120,170 420,170 120,198 420,198 720,198 120,236 120,264 120,292 420,236 420,264 \
    420,292 120,370; do
    panel_callouts+=("$number $((${at%,*} - panel_left - 16)) $((${at#*,} + 6 - panel_top))")
    number=$((number + 1))
done
callouts_beside "$work/panel.png" "$work/panel-callouts.png" "${panel_callouts[@]}"
convert "$work/panel-callouts.png" -bordercolor '#888888' -border 1 -strip \
    "$out/statistics-panel.png"
echo "picture: $out/statistics-panel.png"

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
# Only the printed rows: below them the window stays white. Inside the
# frame, from below the controls, the lowest row that is not white.
read -r replay_width replay_height < <(identify -format '%w %h\n' "$out/replay.png")
strip_end=$(convert "$out/replay.png" -crop "$((replay_width - 20))x$((replay_height - 90))+10+80" \
    +repage -trim -format '%[fx:page.y + h]' info:)
convert "$out/replay.png" -crop "${replay_width}x$((80 + strip_end + 12))+0+0" +repage -strip \
    "$out/replay.png"

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

# 録音ファイルを計測: the file menu, and the open-file dialog in a folder that
# holds the demo recording; then the recording is measured.
probe file-menu "$work/menu.bmp" >/dev/null
convert "$work/menu.bmp" -bordercolor '#888888' -border 1 -strip "$out/recording-menu.png"
echo "picture: $out/recording-menu.png"
mkdir -p "$work/録音"
cp tests/data/demo_keying.wav "$work/録音/練習 12月9日.wav"
open_dialog=$(hex "録音ファイルを計測")
probe command 109 >/dev/null
probe file-dialog "$open_dialog" "Z:${work//\//\\}\\録音" >/dev/null
sleep 2 # the folder listed, the dialog drawn again
shoot "$open_dialog" recording-dialog
probe file-dialog "$open_dialog" "練習 12月9日.wav" >/dev/null
wait_enabled 1016 1

probe command 104 >/dev/null
wait "$program" || true
