#!/usr/bin/env bash
# Runs a Windows program under Wine in the environment of the running
# session (display, sound server, prefix, code page 932), which
# session_start names in VENTROK_SESSION_ENV. ctest uses it to run the
# cross-built tests.
if [ -z "${VENTROK_SESSION_ENV:-}" ] || [ ! -f "$VENTROK_SESSION_ENV" ]; then
    echo "wine-run.sh: no session is running; start one first:" >&2
    echo "  . scripts/session.sh; session_start headless" >&2
    exit 1
fi
# shellcheck disable=SC1090
. "$VENTROK_SESSION_ENV"
exec wine "$@"
