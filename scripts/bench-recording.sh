#!/usr/bin/env bash
# Prints how long the Windows program takes to measure and draw a recording
# of five minutes of keying at 48 kHz stereo (instrumented build under Wine),
# over a few runs.  scripts/bench-recording.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-packages.sh
scripts/build.sh all >/dev/null
# shellcheck source=session.sh
. scripts/session.sh
session_start headless
trap session_stop EXIT
cd tests/e2e && python3 recording_timing.py "${1:-3}"
