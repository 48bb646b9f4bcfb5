#!/usr/bin/env bash
# The setup program as an installer meets it, under Wine on a display of its own:
#   setup_end_to_end.sh SETUP.exe HARNVIK_SIM
# In a fresh prefix: installs silently, and once more over itself; starts the installed
# Kelvaro.exe with Windows' own platform, a simulated module behind COM5; waits for the
# splash to hand over; connects, reads (four green lamps), saves the image to a file
# that must equal the module's memory, and quits, all from the keyboard; the port choice
# file then names COM5. Last, uninstalls silently: nothing of the program may stay in
# Program Files, and the user's %APPDATA%\Kelvaro stays.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine_run.sh

if [[ ${1:-} != --host ]]; then
  setup=$1 sim=$2
  export KELVARO_E2E=$(mktemp -d)
  trap 'WINEPREFIX=$KELVARO_E2E/wine wineserver -k 2>/dev/null || true; rm -rf "$KELVARO_E2E"' EXIT
  export WINEPREFIX=$KELVARO_E2E/wine WINEDEBUG=-all KELVARO_WINE_DESKTOP=1
  "$wine_run" "$WINEPREFIX"
  # The module's memory: erased, with SMS 2 "Tűz" at 163 (its length, then code page 1250).
  head -c 1024 /dev/zero | tr '\0' '\377' >"$KELVARO_E2E/module.HVK"
  printf '\003T\373z' | dd of="$KELVARO_E2E/module.HVK" bs=1 seek=163 conv=notrunc status=none
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$here/run_with_modules.sh" "$WINEPREFIX" "$sim" \
    "COM5 --image $KELVARO_E2E/module.HVK" -- --host "$0" --host "$setup"
fi
setup=$2
work=$KELVARO_E2E
fail() {
  echo "setup_end_to_end: $*" >&2
  import -window root "$work/screen.png" 2>/dev/null && cp "$work/screen.png" /tmp/kelvaro-setup-e2e-failed.png &&
    echo "setup_end_to_end: the screen at the failure: /tmp/kelvaro-setup-e2e-failed.png" >&2
  exit 1
}
wine_reg() { "$wine_run" "$WINEPREFIX" reg "$@" >/dev/null 2>&1; }
program_files="$WINEPREFIX/drive_c/Program Files/Kelvaro"
appdata=$("$wine_run" "$WINEPREFIX" cmd /c echo %APPDATA% | tr -d '\r')
appdata_unix=$WINEPREFIX/drive_c/${appdata#C:\\}
appdata_unix=${appdata_unix//\\//}

for round in first again; do
  "$wine_run" "$WINEPREFIX" "$setup" /S || fail "the $round silent install failed"
done
[[ -f $program_files/Kelvaro.exe && -f $program_files/kelvaro-cli.exe ]] || fail "nothing installed in Program Files"
[[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Harnvik.lnk" ]] ||
  fail "no Start menu entry Harnvik"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvaro'
for value in DisplayName Publisher DisplayVersion DisplayIcon EstimatedSize UninstallString; do
  wine_reg query "$key" /v "$value" || fail "the uninstaller's entry has no $value"
done

# The chooser lists what the spooler lists.
wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports' /v COM5: /t REG_SZ /d "" /f
started=$SECONDS
"$wine_run" "$WINEPREFIX" "C:\\Program Files\\Kelvaro\\Kelvaro.exe" >"$work/kelvaro.log" 2>&1 &
kelvaro=$!
window() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }
wait_for() { # a condition, a limit in seconds, what failed
  local end=$((SECONDS + $2))
  until eval "$1"; do ((SECONDS < end)) || fail "$3"; sleep 0.2; done
}
main_caption='Harnvik  v.*' # then the build's version
wait_for '[[ -n $(window "$main_caption") ]]' 60 "the splash never handed over to the main window"
echo "setup_end_to_end: the main window after $((SECONDS - started)) s"
main=$(window "$main_caption")
keys() { xdotool key --delay 150 "$@"; sleep 0.5; }

# The chooser has the focus: its last entry, COM5; connect (the focus moves on to the
# state window's button); on to the transfer window.
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
keys End Tab space Tab space
wait_for '[[ -n $(window "Paraméterek beállítása") ]]' 20 "the transfer window did not open"
transfer=$(window "Paraméterek beállítása")
read_started=$SECONDS
keys Tab Tab space

# The four lamps: green (0, 128, 0) inside each one's top left corner, clear of its caption.
lamps() {
  import -window "$transfer" "$work/transfer.png" 2>/dev/null || return 1
  local green=0 x
  for x in 12 78 144 210; do
    [[ $(convert "$work/transfer.png" -format "%[pixel:p{$x,12}]" info:) == "srgb(0,128,0)" ]] && green=$((green + 1))
  done
  ((green == 4))
}
wait_for lamps 10 "the read did not paint four green lamps"
echo "setup_end_to_end: four green lamps $((SECONDS - read_started)) s after the read started"

# Saved to a file: back to "Mentés fájlba", a name typed into the file dialog.
keys shift+Tab space
sleep 2
xdotool type --delay 50 'C:\\module-read.HVK'
keys Return
wait_for '[[ -f $WINEPREFIX/drive_c/module-read.HVK ]]' 10 "no file saved"
cmp -s "$WINEPREFIX/drive_c/module-read.HVK" "$work/module.HVK" || fail "the saved file is not the module's memory"

# Closed with Esc, then "Kilépés".
keys Escape Tab space
wait_for '! kill -0 $kelvaro 2>/dev/null' 20 "the program did not end"
grep -q 'COM5' "$appdata_unix/Kelvaro/VORMAK_setup.ini" || fail "the port choice file does not name COM5"

# The uninstaller copies itself away and returns at once: wait for the folder to go.
"$wine_run" "$WINEPREFIX" "C:\\Program Files\\Kelvaro\\uninstall.exe" /S || fail "the silent uninstall failed"
wait_for '[[ ! -e $program_files ]]' 30 "the uninstaller left $(ls "$program_files" 2>/dev/null | tr '\n' ' ')"
wine_reg query "$key" && fail "the uninstaller left its entry"
[[ -f $appdata_unix/Kelvaro/VORMAK_setup.ini ]] || fail "the uninstaller removed the user's port choice"
echo "setup_end_to_end: installed, read, saved and uninstalled as a user would"
