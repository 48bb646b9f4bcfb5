#!/usr/bin/env bash
# The guides' cmd.exe examples under Wine, through tests/docs/guide_examples.py:
#   guide_examples_wine.sh PREFIX HARNVIK_SIM KELVARO_CLI_EXE SOURCE_DIR
# Each guide's blocks run in Wine's cmd.exe as in the Start menu's "Kelvaro parancssor":
# in the prefix's Documents\Kelvaro (emptied first), kelvaro-cli.exe's folder on PATH,
# and COM3 a simulated module (run_with_modules.sh), the only port the spooler lists
# meanwhile, so that find asks no port of the machine. Wine runs as on a Hungarian
# Windows (a hu_HU locale made once beside the prefix): cmd.exe reads the examples in
# code page 852, so an "ű" arrives as the installer types it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine_run.sh

if [[ $1 == --in-documents ]]; then
  # guide_examples.py's runner: SCRIPT in Documents\Kelvaro, in the environment set below.
  documents=$2 script=$3
  [[ -d $documents && ! -L $documents ]] || { echo "guide_examples_wine: $documents is no folder of the prefix" >&2; exit 1; }
  rm -rf "$documents/Kelvaro"
  mkdir "$documents/Kelvaro"
  cd "$documents/Kelvaro"
  exec env LC_ALL=hu_HU.UTF-8 "$wine_run" "$WINEPREFIX" cmd /c "$(winepath -w "$script")"
fi

prefix=$1 sim=$2 exe=$3 source_dir=$4
export WINEPREFIX=$prefix LOCPATH=$prefix.locale
if [[ ! -d $LOCPATH/hu_HU.UTF-8 ]]; then
  mkdir -p "$LOCPATH"
  localedef -i hu_HU -f UTF-8 "$LOCPATH/hu_HU.UTF-8" >/dev/null 2>&1 || [[ -d $LOCPATH/hu_HU.UTF-8 ]] ||
    { echo "guide_examples_wine: cannot make the hu_HU.UTF-8 locale" >&2; exit 1; }
fi
"$wine_run" "$prefix"
profile=$("$wine_run" "$prefix" cmd /c echo %USERPROFILE% | tr -d '\r')
documents=$(winepath -u "$profile\\Documents")
work=$(mktemp -d)
trap 'rm -rf "$work" "$documents/Kelvaro"' EXIT

export WINEPATH
WINEPATH=$(winepath -w "$(dirname "$(realpath "$exe")")")
cd "$source_dir"
"$here/run_with_modules.sh" --only-these "$prefix" "$sim" COM3 -- --host \
  tests/docs/guide_examples.py cmd "$work" docs/kezikonyv.md docs/user-guide.md -- "$here/guide_examples_wine.sh" --in-documents "$documents"
