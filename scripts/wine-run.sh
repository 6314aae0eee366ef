#!/usr/bin/env bash
# Runs a Windows program under Wine in the environment of the running
# session (display, sound server, prefix, code page 932). ctest uses it to
# run the cross-built tests.
here=$(cd "$(dirname "$0")" && pwd)
env_file=${VENTROK_BUILD:-$here/../build}/session/session.env
if [ -f "$env_file" ]; then
    # shellcheck disable=SC1090
    . "$env_file"
fi
exec wine "$@"
