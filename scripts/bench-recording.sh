#!/usr/bin/env bash
# Prints how long the Windows program takes to measure and draw a recording
# of five minutes of keying at 48 kHz stereo (instrumented build under Wine),
# over a few runs (3 by default).  scripts/bench-recording.sh [runs]
exec "$(dirname "$0")/bench-blocks.sh" recording "$@"
