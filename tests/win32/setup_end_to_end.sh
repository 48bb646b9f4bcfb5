#!/usr/bin/env bash
# The setup program as an installer meets it, under Wine on a display of its own:
#   setup_end_to_end.sh SETUP.exe HARNVIK_SIM PRINT_WINDOW_TABLES FOREGROUND.exe
# In a fresh prefix: installs silently, and once more over itself; starts the installed
# Kelvaro.exe with Windows' own platform, a simulated module behind COM5; waits for the
# splash to hand over; connects, reads (four green lamps), saves the image to a file
# that must equal the module's memory, and quits, all from the keyboard; the port choice
# file then names COM5. The Start menu's folder Harnvik holds the guides, whose pages exist
# where the entries point, and the command prompt, which, started as its entry starts it,
# opens in Documents\Kelvaro (made then) and finds kelvaro-cli.exe, also with Documents
# redirected elsewhere. Last, uninstalls silently: nothing of the program may stay in
# Program Files or the Start menu, and the user's %APPDATA%\Kelvaro stays. The prefix, the
# display, the module and the scratch folder go at the end, whatever happened; on a
# failure a picture of the screen is left beside the setup program.
#
# Wine offers the Linux side no accessibility names, so the windows' controls are reached
# by counting Tab presses (the main window, the transfer window); FOREGROUND.exe says which
# window Wine made active, and what the file dialog's name field copied to the clipboard,
# to read back what was typed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine_run.sh
driver_name=setup_end_to_end
source "$here/../../scripts/window_driver.sh"
setup=$1 sim=$2 tables=$3 foreground=$4

driver_begin
failure_picture=$(dirname "$setup")/setup_end_to_end-failed.png
rm -f "$failure_picture"
picture_of_the_screen() {
  import -window root "$failure_picture" 2>/dev/null && echo "$driver_name: the screen at the failure: $failure_picture" >&2
}
load_window_tables "$tables"
main_caption=$(caption shown-main)
transfer_caption=$(caption transfer)
save_caption=$(control_name transfer btSave) # a file dialog's caption is its button's

start_display
driver_on_fail=picture_of_the_screen
export WINEPREFIX=$work/wine WINEDEBUG=-all KELVARO_WINE_DESKTOP=1
on_exit wineserver -k
"$wine_run" "$WINEPREFIX"
wine_reg() { "$wine_run" "$WINEPREFIX" reg "$@" >/dev/null 2>&1; }
field_text() {
  press ctrl+a ctrl+c
  "$wine_run" "$WINEPREFIX" "$foreground" clipboard 2>/dev/null
}
wine_active() { [[ $("$wine_run" "$WINEPREFIX" "$foreground" caption 2>/dev/null) == "$(xdotool getwindowname "$1")" ]]; }
driver_focus_check=wine_active
program_files="$WINEPREFIX/drive_c/Program Files/Kelvaro"
appdata=$("$wine_run" "$WINEPREFIX" cmd /c echo %APPDATA% | tr -d '\r')
appdata_unix=$WINEPREFIX/drive_c/${appdata#C:\\}
appdata_unix=${appdata_unix//\\//}

# The module's memory: erased, with SMS 2 "Tűz" at 163 (its length, then code page 1250).
# The module's pseudo-terminal is Wine's COM5, which the spooler lists for the chooser.
head -c 1024 /dev/zero | tr '\0' '\377' >"$work/module.HVK"
printf '\003T\373z' | dd of="$work/module.HVK" bs=1 seek=163 conv=notrunc status=none
start "$sim" --port COM5 --config-dir "$work/config" --image "$work/module.HVK" >"$work/sim.out" 2>&1
watch "$started" "the simulated module" "$work/sim.out"
wait_for 10 "the simulated module gave no device" test -s "$work/sim.out"
read -r _ device <"$work/sim.out"
ln -sfn "$device" "$WINEPREFIX/dosdevices/com5"
wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports' /v COM5: /t REG_SZ /d "" /f

for round in first again; do
  "$wine_run" "$WINEPREFIX" "$setup" /S || fail "the $round silent install failed"
done
[[ -f $program_files/Kelvaro.exe && -f $program_files/kelvaro-cli.exe ]] || fail "nothing installed in Program Files"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
for entry in Harnvik "Harnvik/Kelvaro parancssor" "Harnvik/Kelvaro kézikönyv" "Harnvik/Kelvaro user guide"; do
  [[ -f $menu/$entry.lnk ]] || fail "no Start menu entry $entry"
done
# A shortcut keeps its target as text of the system's code page.
for guide in "kezikonyv:Kelvaro kézikönyv" "user-guide:Kelvaro user guide"; do
  page=${guide%%:*}.html entry=${guide#*:}.lnk
  grep -aqF "doc\\$page" "$menu/Harnvik/$entry" || fail "the entry $entry does not point to doc\\$page"
  [[ -f $program_files/doc/$page ]] || fail "no $page in Program Files\\Kelvaro\\doc"
done
[[ -f $program_files/doc/images/main-window.png ]] || fail "the guides' pictures are not installed"

# The prompt as its entry starts it: target and arguments read out of the shortcut (each
# UTF-16 string after its length, which may read as a character), and lines typed from a
# file: Wine's cmd.exe reads its input a piece at a time and seeks back to the line's end,
# which a pipe cannot.
prompt_entry="$menu/Harnvik/Kelvaro parancssor.lnk"
target=$(strings -a "$prompt_entry" | grep -io '[a-z]:\\.*cmd\.exe' | head -1 || true)
arguments=$(strings -a -el "$prompt_entry" | grep -o '/k .*' | head -1 || true)
[[ -n $target && -n $arguments ]] || fail "the prompt's entry does not start cmd.exe /k: $(strings -a -el "$prompt_entry")"
printf '"%s" %s\r\n' "$target" "$arguments" >"$work/prompt.cmd"
printf 'echo IN=%%CD%%\r\nkelvaro-cli.exe --help\r\nexit\r\n' >"$work/typed.txt"
prompt_opens_in() {
  local said
  said=$("$wine_run" "$WINEPREFIX" cmd /c "$(winepath -w "$work/prompt.cmd")" <"$work/typed.txt" 2>&1 | tr -d '\r')
  [[ $(sed -n 's/.*>IN=//p' <<<"$said") == "$1" ]] || fail "the prompt did not open in $1: $said"
  grep -q '>Usage: kelvaro-cli' <<<"$said" || fail "the prompt did not find kelvaro-cli.exe: $said"
  [[ -d $(winepath -u "$1") ]] || fail "$1 was not made"
}
profile=$("$wine_run" "$WINEPREFIX" cmd /c echo %USERPROFILE% | tr -d '\r')
prompt_opens_in "$profile\\Documents\\Kelvaro"
wine_reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v Personal \
  /t REG_EXPAND_SZ /d '%USERPROFILE%\Moved Documents' /f || fail "cannot redirect Documents"
prompt_opens_in "$profile\\Moved Documents\\Kelvaro"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvaro'
for value in DisplayName Publisher DisplayVersion DisplayIcon EstimatedSize UninstallString; do
  wine_reg query "$key" /v "$value" || fail "the uninstaller's entry has no $value"
done

started_at=$SECONDS
start "$wine_run" "$WINEPREFIX" "C:\\Program Files\\Kelvaro\\Kelvaro.exe" >"$work/kelvaro.log" 2>&1
kelvaro=$started
watch "$kelvaro" Kelvaro.exe "$work/kelvaro.log"
wait_for 60 "the splash never handed over to the main window" window_shown "$main_caption"
main=$(window_id "$main_caption")
focus_window "$main"
echo "$driver_name: the main window after $((SECONDS - started_at)) s"

# The chooser has the focus: its last entry, COM5; connect (the focus moves on to the
# state window's button); on to the transfer window, whose third button reads.
press End Tab space Tab space
transfer=$(wait_window "$transfer_caption" 20)
read_started=$SECONDS
press Tab Tab space

# The four lamps: green (0, 128, 0) inside each one's top left corner, clear of its caption.
lamps() {
  import -window "$transfer" "$work/transfer.png" 2>/dev/null || return 1
  local green=0 x
  for x in 12 78 144 210; do
    [[ $(convert "$work/transfer.png" -format "%[pixel:p{$x,12}]" info:) == "srgb(0,128,0)" ]] && green=$((green + 1))
  done
  ((green == 4))
}
wait_for 10 "the read did not paint four green lamps" lamps
echo "$driver_name: four green lamps $((SECONDS - read_started)) s after the read started"

# Saved to a file: back to "Mentés fájlba", a name typed into the file dialog.
press shift+Tab space
wait_window "$save_caption" 20 >/dev/null
type_text 'C:\module-read.HVK' field_text ctrl+a
press Return
wait_gone "$save_caption"
wait_for 10 "no file saved" test -f "$WINEPREFIX/drive_c/module-read.HVK"
cmp -s "$WINEPREFIX/drive_c/module-read.HVK" "$work/module.HVK" || fail "the saved file is not the module's memory"

# Closed with Esc, then "Kilépés".
wait_for 10 "the transfer window did not take the focus back" window_focused "$transfer"
press Escape
wait_gone "$transfer_caption"
wait_for 10 "the main window did not take the focus back" window_focused "$main"
unwatch
press Tab space
program_ended() { ! running "$kelvaro"; }
wait_for 20 "the program did not end" program_ended
grep -q 'COM5' "$appdata_unix/Kelvaro/VORMAK_setup.ini" || fail "the port choice file does not name COM5"

# The uninstaller copies itself away and returns at once: wait for the folder to go.
"$wine_run" "$WINEPREFIX" "C:\\Program Files\\Kelvaro\\uninstall.exe" /S || fail "the silent uninstall failed"
uninstalled() { [[ ! -e $program_files ]]; }
wait_for 30 "the uninstaller left Program Files\\Kelvaro" uninstalled
wine_reg query "$key" && fail "the uninstaller left its entry"
[[ ! -e $menu/Harnvik && ! -e $menu/Harnvik.lnk ]] || fail "the uninstaller left Start menu entries"
[[ -f $appdata_unix/Kelvaro/VORMAK_setup.ini ]] || fail "the uninstaller removed the user's port choice"
echo "$driver_name: installed, read, saved, the prompt opened in Documents\\Kelvaro (also redirected), uninstalled"
