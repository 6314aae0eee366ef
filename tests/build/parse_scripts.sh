#!/bin/bash
# Every shell script of the project parses: a script the README names that
# no test runs (a soak, a benchmark) must not break unnoticed.
cd "$(dirname "$0")/../.."
status=0
for script in scripts/*.sh .ci/run; do
    bash -n "$script" || { echo "parse_scripts: $script does not parse" >&2; status=1; }
done
exit $status
