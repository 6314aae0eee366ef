#!/usr/bin/env bash
# Measures the figures of docs/wine-fonts.md under the project's Wine set-up:
# 1. for each candidate replacement of the main window's template font
#    "ＭＳ Ｐゴシック": the dialog base units (MapDialogRect of 4 x 8 units),
#    the right edge of the "レベル" label (the level meter starts at 948) and
#    the size of the 操作 group box (644 x 46 units), from template 1000 of
#    ventrok.exe created by the window probe;
# 2. what every font of the windows resolves to with the pinned set-up and
#    with the earlier one (IPA fonts named directly), each without and with
#    fonts-noto-cjk visible to fontconfig.
# The candidates' Debian packages are fetched with apt-get download into
# build/font-survey/debs and unpacked there; nothing is installed. Runs its
# own session and Wine prefix in build/font-survey.
#   scripts/survey-fonts.sh        (after scripts/build.sh windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
survey=$root/build/font-survey
probe_exe=$root/build/windows/window_probe.exe
[ -x "$probe_exe" ] || { echo "survey-fonts: run scripts/build.sh windows first" >&2; exit 2; }

# package | file in the package | family name
candidates=(
    "fonts-ipafont-gothic|usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf|IPAPGothic"
    "fonts-takao-gothic|usr/share/fonts/truetype/takao-gothic/TakaoPGothic.ttf|TakaoPGothic"
    "fonts-ipaexfont-gothic|usr/share/fonts/opentype/ipaexfont-gothic/ipaexg.ttf|IPAexGothic"
    "fonts-vlgothic|usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf|VL PGothic"
    "fonts-migmix|usr/share/fonts/truetype/migmix/migmix-1p-regular.ttf|MigMix 1P"
    "fonts-migmix|usr/share/fonts/truetype/migmix/migmix-2p-regular.ttf|MigMix 2P"
    "fonts-migmix|usr/share/fonts/truetype/migmix/migu-1p-regular.ttf|Migu 1P"
    "fonts-noto-cjk|usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc|Noto Sans CJK JP"
    "fonts-morisawa-bizud-gothic|usr/share/fonts/truetype/bizud-gothic/BIZUDPGothic-Regular.ttf|BIZ UDPGothic"
    "fonts-mona|usr/share/fonts/truetype/mona/mona.ttf|Mona"
    "fonts-monapo|usr/share/fonts/truetype/monapo/monapo.ttf|Monapo"
    "fonts-umeplus|usr/share/fonts/truetype/umeplus/umeplus-p-gothic.ttf|UmePlus P Gothic"
    "fonts-horai-umefont|usr/share/fonts/truetype/horai-umefont/ume-pgo4.ttf|Ume P Gothic"
    "fonts-sawarabi-gothic|usr/share/fonts/truetype/sawarabi-gothic/sawarabi-gothic-medium.ttf|Sawarabi Gothic"
    "fonts-komatuna|usr/share/fonts/truetype/komatuna/komatuna-p.ttf|Komatuna P"
    "built by scripts/wine-fonts.py|-|Ventrok PGothic"
)

mkdir -p "$survey/debs"
(
    cd "$survey/debs"
    for entry in "${candidates[@]}"; do
        package=${entry%%|*}
        [ "$package" = "built by scripts/wine-fonts.py" ] && continue
        ls "${package}"_*.deb >/dev/null 2>&1 || apt-get download "$package" >/dev/null
    done
    for deb in *.deb; do dpkg-deb -x "$deb" unpacked; done
)

export VENTROK_BUILD=$survey
# shellcheck source=session.sh
. "$root/scripts/session.sh"
session_start headless
trap session_stop EXIT
fonts_dir=$WINEPREFIX/drive_c/windows/Fonts
main_exe=$(winepath -w "$root/build/windows/ventrok.exe")

set_replacement() { wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /d "$2" /f >/dev/null 2>&1; }
delete_replacement() { wine reg delete 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /f >/dev/null 2>&1 || true; }
# Every Wine process reads the font list when it starts; a fresh Wine server
# forgets the list it cached.
restart_wine() { wineserver -k; wineserver -w; }

echo "| Replacement of ＭＳ Ｐゴシック | Package | Base units (x × y) | レベル ends at | 操作 group (px) |"
echo "|---|---|---|---|---|"
for entry in "${candidates[@]}"; do
    IFS='|' read -r package file family <<<"$entry"
    rm -f "$fonts_dir"/survey-candidate.*
    if [ "$file" != - ] && [ "$package" != fonts-ipafont-gothic ]; then
        cp "$survey/debs/unpacked/$file" "$fonts_dir/survey-candidate.${file##*.}"
    fi
    set_replacement 'ＭＳ Ｐゴシック' "$family"
    restart_wine
    out=$(wine "$probe_exe" template-units "$main_exe" 1000 | tr -d '\r')
    units=$(awk '$1 == "units" { print $2 " × " $3 }' <<<"$out")
    label_end=$(awk '$NF == "838c8378838b" { print $5 }' <<<"$out")        # レベル
    group=$(awk '$NF == "91808dec" { print $5 - $3 " × " $6 - $4 }' <<<"$out") # 操作
    echo "| $family | $package | $units | $label_end | $group |"
done
rm -f "$fonts_dir"/survey-candidate.*
set_replacement 'ＭＳ Ｐゴシック' 'Ventrok PGothic'

# fonts-noto-cjk made visible to fontconfig for one process, as if installed:
# its fonts and its configuration, which puts Noto Sans Mono CJK JP first
# among the fixed-pitch families for Japanese (Wine asks fontconfig for
# those when a request names no face, as OEM_FIXED_FONT does).
noto_conf=$survey/fonts-with-noto.conf
unpacked=$survey/debs/unpacked
cat >"$noto_conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>$unpacked/usr/share/fonts/opentype/noto</dir>
  <include>$unpacked/usr/share/fontconfig/conf.avail/70-fonts-noto-cjk.conf</include>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <cachedir>$survey/fontconfig-cache</cachedir>
</fontconfig>
CONF

show_fonts() {
    local label=$1
    shift
    restart_wine
    echo
    echo "$label"
    echo
    echo "| Font | Face asked for | Font file's family | Height | Base units | Grey pixels |"
    echo "|---|---|---|---|---|---|"
    env "$@" wine "$probe_exe" fonts | tr -d '\r' | while read -r kind face family height _ bx by grey; do
        face=$(/usr/bin/python3 -c 'import sys; print(bytes.fromhex(sys.argv[1]).decode("cp932"))' "$face")
        echo "| $kind | $face | ${family//_/ } | $height | $bx × $by | $grey |"
    done
}

show_fonts "Pinned set-up:" LC_ALL=ja_JP.UTF-8
show_fonts "Pinned set-up, fonts-noto-cjk visible:" FONTCONFIG_FILE="$noto_conf"

# The earlier set-up: the IPA fonts named directly, OEM_FIXED_FONT left to
# Wine. The prefix no longer has the set-up its stamp records: the next start
# makes it again.
rm -f "$WINEPREFIX/ventrok-setup"
for face in 'Courier New' 'Liberation Mono' 'Bitstream Vera Sans Mono'; do delete_replacement "$face"; done
set_replacement 'ＭＳ ゴシック' IPAGothic
set_replacement 'ＭＳ Ｐゴシック' IPAPGothic
set_replacement 'MS UI Gothic' IPAPGothic
show_fonts "Earlier set-up:" LC_ALL=ja_JP.UTF-8
show_fonts "Earlier set-up, fonts-noto-cjk visible:" FONTCONFIG_FILE="$noto_conf"
