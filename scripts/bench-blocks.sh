#!/usr/bin/env bash
# Prints the time the Windows program spends handling each captured block
# over a minute of keying (instrumented build under Wine, real audio through
# the private sound server).  scripts/bench-blocks.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-packages.sh
scripts/build.sh all >/dev/null
# shellcheck source=session.sh
. scripts/session.sh
session_start headless
trap session_stop EXIT
# scripts/bench-recording.sh passes "recording" first.
cd tests/e2e && python3 block_timing.py "$@"
