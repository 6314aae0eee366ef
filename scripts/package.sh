#!/usr/bin/env bash
# Builds the Windows package build/dist/ventrok-<version>-win64.zip: one
# folder ventrok-<version>/ with ventrok.exe (release build, stripped), the sample
# keying data file 打鍵データ.csv measured from the demo recording, the
# Japanese manual as HTML with its pictures (manual/index.html), the short
# はじめにお読みください.txt (code page 932, CR LF) and the licence.
#   scripts/package.sh [--no-build] [--output DIR]
# --no-build packages what build/ already holds; --output puts the zip in DIR
# instead of build/dist. The zip is made in a temporary folder beside its
# place and moved there only when it is complete: a failed run leaves no
# zip behind and an earlier one as it was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${VENTROK_BUILD:-$root/build}
output=$build/dist
do_build=1
while [ $# -gt 0 ]; do
    case $1 in
        --no-build) do_build= ;;
        --output) output=${2:?--output needs a folder}; shift ;;
        *) echo "usage: scripts/package.sh [--no-build] [--output DIR]" >&2; exit 2 ;;
    esac
    shift
done

fail() {
    echo "package: $*" >&2
    exit 1
}

if [ -n "$do_build" ]; then
    bash scripts/install-packages.sh
    scripts/build.sh native ventrok-analyze >/dev/null
    scripts/build.sh windows ventrok >/dev/null
fi

# The version, from the one place it is written.
version_header=win32/resources/version.h
version_number() {
    sed -n "s/^#define VENTROK_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$version_header" 2>/dev/null
}
major=$(version_number MAJOR)
minor=$(version_number MINOR)
[ -n "$major" ] && [ -n "$minor" ] || fail "no version numbers in $version_header"
version=$major.$minor

exe=$build/windows/ventrok.exe
analyze=$build/native/ventrok-analyze
demo=tests/data/demo_keying.wav
manual=docs/manual/manual.md
manual_css=docs/manual/manual.css
readme=docs/manual/はじめにお読みください.txt
licence=LICENSE

# Every part is looked for first, and all that are missing are named at once.
missing=()
for part in "$exe" "$analyze" "$demo" "$manual" "$manual_css" "$readme" "$licence"; do
    [ -s "$part" ] || missing+=("$part")
done
pictures=()
if [ -f "$manual" ]; then
    mapfile -t pictures < <(grep -o '](images/[^)]*)' "$manual" | sed 's/^](//; s/)$//' | sort -u)
    [ ${#pictures[@]} -gt 0 ] || missing+=("pictures named in $manual")
    for picture in "${pictures[@]}"; do
        [ -s "docs/manual/$picture" ] || missing+=("docs/manual/$picture")
    done
fi
for tool in pandoc iconv python3 x86_64-w64-mingw32-objdump x86_64-w64-mingw32-strip; do
    command -v "$tool" >/dev/null || missing+=("the program $tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'package: missing: %s\n' "${missing[@]}" >&2
    exit 1
fi

# Only the system's DLLs may be imported: the folder must run as it is.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll in $imports; do
    case ${dll,,} in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | shell32.dll | \
        winmm.dll | msvcrt.dll) ;;
        *) fail "$exe imports $dll, which is not a system DLL" ;;
    esac
done

mkdir -p "$output"
zip_path=$(cd "$output" && pwd)/ventrok-$version-win64.zip
staging=$(mktemp -d "$output/.ventrok-package.XXXXXX")
trap 'rm -rf "$staging"' EXIT
folder=$staging/ventrok-$version
mkdir -p "$folder/manual/images"

# The release program without its symbol tables and debug sections.
x86_64-w64-mingw32-strip -o "$folder/ventrok.exe" "$exe" || fail "cannot strip $exe"

# The sample: the demo recording measured exactly as the program measures it.
"$analyze" measure "$demo" -o "$folder/打鍵データ.csv" --no-progress >"$staging/measure.log" \
    || fail "measuring $demo failed (exit $?): $(tail -n 3 "$staging/measure.log")"

# Windows texts: code page 932 (the read-me) and CR LF line ends.
crlf() { sed 's/\r$//; s/$/\r/'; }
sed "s/@VERSION@/$version/g" "$readme" | iconv -f UTF-8 -t CP932 | crlf \
    >"$folder/はじめにお読みください.txt" || fail "$readme cannot be written in code page 932"
crlf <"$licence" >"$folder/LICENSE.txt"

# The manual: Markdown to one HTML page, pictures beside it.
sed "s/@VERSION@/$version/g" "$manual" |
    pandoc --from markdown+east_asian_line_breaks --to html5 --standalone --toc --toc-depth=2 \
        --variable lang=ja --css manual.css --output "$folder/manual/index.html" ||
    fail "pandoc could not render $manual"
cp "$manual_css" "$folder/manual/manual.css"
for picture in "${pictures[@]}"; do
    cp "docs/manual/$picture" "$folder/manual/$picture"
done

# Zip with UTF-8 names marked as such, so that the Japanese names unpack
# unchanged; then move the finished zip into place.
python3 - "$staging" "ventrok-$version" "$staging/package.zip" <<'PY' || fail "zip failed"
import os, sys, zipfile
base, top, target = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
    for folder, subfolders, files in os.walk(os.path.join(base, top)):
        subfolders.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            archive.write(path, os.path.relpath(path, base))
PY
mv -f "$staging/package.zip" "$zip_path"
echo "package: $zip_path"
