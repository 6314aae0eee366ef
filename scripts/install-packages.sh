#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  # native build and tests
  g++ cmake make googletest libgtest-dev libbenchmark-dev clang clang-format libclang-rt-14-dev
  # Windows cross build
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # running the program
  wine wine64 libwine fonts-wine
  libxrender1 libxcursor1 libxrandr2 libxi6 libxcomposite1 libxfixes3 libxinerama1
  libxxf86vm1 libgnutls30 libdbus-1-3
  xvfb xauth x11-utils imagemagick xdotool
  fonts-ipafont-gothic
  # the Wine prefix's fonts are built from the IPA fonts (scripts/wine-fonts.py)
  python3-fontforge
  pulseaudio pulseaudio-utils sox
  # ventrok-analyze (native command-line analysis)
  libsndfile1-dev libsoxr-dev pkg-config
  # its Debian package (dpkg-shlibdeps) and the check that its man page renders
  dpkg-dev man-db
  # the Windows package: the manual rendered to HTML
  pandoc
  locales python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Japanese locale so that Wine runs with the ANSI code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || {
    echo "install-packages: making the locale ja_JP.UTF-8 failed" >&2
    exit 1
  }
fi
