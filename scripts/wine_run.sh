#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix (the build's own, never ~/.wine):
#   scripts/wine_run.sh PREFIX [PROGRAM [ARGS...]]
# KELVARO_WINE_DESKTOP=1 makes a new prefix a desktop's, with a display and Qt's own
# platform, rather than the tests'.
# The prefix is made on first use; without a program only that is done. The wineserver
# and Wine's own background programs are started apart, with their output in
# PREFIX.log: started by the program they would hold its output open for as long as
# they run (ctest waits for that), and the wineserver prints an object dump there when
# a pseudo-terminal it holds hangs up. They stay a minute after the last program.
set -euo pipefail
prefix=$1
shift
[[ $prefix == /* ]] || { echo "wine_run.sh: the prefix must be an absolute path: $prefix" >&2; exit 2; }
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
log=$prefix.log
if [[ ! -f $prefix/system.reg ]]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [[ ! -f $prefix/system.reg ]]; then
      wineboot -i >>"$log" 2>&1
      # The user's folders (Documents, Desktop, ...) are the prefix's own, not Wine's links to
      # $HOME, where nothing a test does may land.
      for folder in "$prefix"/drive_c/users/*/*; do
        if [[ -L $folder ]]; then rm "$folder" && mkdir "$folder"; fi
      done
      # A prefix for tests, unless KELVARO_WINE_DESKTOP is set: no display (Wine's null
      # driver), Qt programs on the offscreen platform with a font of Arial's measures, as
      # Windows has. Wine passes no QT_ variable of the environment on, so they go into the
      # prefix's own.
      if [[ -z ${KELVARO_WINE_DESKTOP:-} ]]; then
        mkdir -p "$prefix/drive_c/test-fonts"
        cp /usr/share/fonts/truetype/liberation2/LiberationSans-{Regular,Bold}.ttf "$prefix/drive_c/test-fonts/"
        {
          wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
          wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f
          wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d 'C:\test-fonts' /f
        } >>"$log" 2>&1
      fi
    fi
  ) 9>"$prefix.lock"
fi
wineserver --persistent=60 </dev/null >>"$log" 2>&1 || true # one already running serves
wine cmd /c exit 0 </dev/null >>"$log" 2>&1
(($# > 0)) || exit 0
exec wine "$@"
