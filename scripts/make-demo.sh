#!/usr/bin/env bash
# Regenerates tests/data/demo_keying.wav: about 21 s of irregular hand keying of
# tools/demo_text.txt at 18 wpm, then 11 s of silence so the program stops by itself.
# Usage: scripts/make-demo.sh [path/to/make_keying_wav]   (default build/native/make_keying_wav)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build/native/make_keying_wav}
mkdir -p tests/data
"$tool" text tests/data/demo_keying.wav --text-file tools/demo_text.txt \
    --wpm 18 --jitter 0.15 --dash-ratio 3.2 --seed 42 --noise 300 --rise-ms 2 \
    --lead-ms 150 --tail-ms 11000
