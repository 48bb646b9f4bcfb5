#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix (the build's own, never ~/.wine):
#   scripts/wine_run.sh PREFIX [PROGRAM [ARGS...]]
# The prefix is made on first use; without a program only that is done. The wineserver
# and Wine's own background programs are started apart, with their output in
# PREFIX.log: started by the program they would hold its output open for as long as
# they run (ctest waits for that), and the wineserver prints an object dump there when
# a pseudo-terminal it holds hangs up. They stay a minute after the last program.
set -euo pipefail
prefix=$1
shift
[[ $prefix == /* ]] || { echo "wine_run.sh: the prefix must be an absolute path: $prefix" >&2; exit 2; }
export WINEPREFIX=$prefix WINEDEBUG=-all
log=$prefix.log
if [[ ! -f $prefix/system.reg ]]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    [[ -f $prefix/system.reg ]] || wineboot -i >>"$log" 2>&1
  ) 9>"$prefix.lock"
fi
wineserver --persistent=60 </dev/null >>"$log" 2>&1 || true # one already running serves
wine cmd /c exit 0 </dev/null >>"$log" 2>&1
(($# > 0)) || exit 0
exec wine "$@"
