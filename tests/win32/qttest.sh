#!/usr/bin/env bash
# Runs a QtTest program under Wine and prints its log:
#   qttest.sh PREFIX PROGRAM.exe
# Under Wine, what QtTest writes to standard output never arrives, so the log goes to a
# file first.
set -uo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
"$(dirname "$0")/../../scripts/wine_run.sh" "$1" "$2" -o "Z:$log,txt" || status=$?
cat "$log"
exit "$status"
