#!/usr/bin/env bash
# The setup program's Start menu folder under Wine: setup_prompt.sh SETUP.exe
# In a fresh prefix: installs silently into a folder with spaces; the Start menu holds the
# program and, in the folder Harnvik, the command prompt and the guides, whose pages exist
# where the entries point. The prompt, started as its entry starts it, opens in
# Documents\Kelvaro (made then) and finds kelvaro-cli.exe, and again with the Documents
# folder redirected elsewhere (User Shell Folders, Personal). Last, uninstalls silently:
# no entry and no file of the program may stay.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
driver_name=setup_prompt
source "$here/../../scripts/window_driver.sh"
setup=$1

driver_begin
export WINEPREFIX=$work/wine WINEDEBUG=-all
on_exit wineserver -k
wine_run() { "$here/../../scripts/wine_run.sh" "$WINEPREFIX" "$@"; }
wine_run
# NSIS takes /D= only last and unquoted, which Wine's own quoting of arguments breaks.
install_dir='C:\Program Files\Harnvik Kelvaro'
printf '"%s" /S /D=%s\r\n' "$(winepath -w "$setup")" "$install_dir" >"$work/install.cmd"
wine_run cmd /c "$(winepath -w "$work/install.cmd")" || fail "the silent install failed"
program=$(winepath -u "$install_dir")
[[ -f $program/kelvaro-cli.exe ]] || fail "nothing installed in $install_dir"

menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
prompt_entry="$menu/Harnvik/Kelvaro parancssor.lnk"
for entry in Harnvik.lnk "Harnvik/Kelvaro parancssor.lnk" "Harnvik/Kelvaro kézikönyv.lnk" "Harnvik/Kelvaro user guide.lnk"; do
  [[ -f $menu/$entry ]] || fail "no Start menu entry $entry"
done
# A shortcut keeps its target as text of the system's code page.
for guide in "kezikonyv:Kelvaro kézikönyv" "user-guide:Kelvaro user guide"; do
  page=${guide%%:*}.html entry=${guide#*:}.lnk
  grep -aqF "doc\\$page" "$menu/Harnvik/$entry" || fail "the entry $entry does not point to doc\\$page"
  [[ -f $program/doc/$page ]] || fail "no $page in $install_dir\\doc"
done
[[ -f $program/doc/images/main-window.png ]] || fail "the guides' pictures are not installed"

# The prompt as its entry starts it: target and arguments read from the shortcut, a few
# lines typed into it.
target=$(strings -a "$prompt_entry" | grep -io '[a-z]:\\.*cmd\.exe' | head -1 || true)
# (each UTF-16 string after its length, which may read as a character)
arguments=$(strings -a -el "$prompt_entry" | grep -o '/k .*' | head -1 || true)
[[ -n $target && -n $arguments ]] || fail "the prompt's entry does not start cmd.exe /k: $(strings -a -el "$prompt_entry")"
printf '"%s" %s\r\n' "$target" "$arguments" >"$work/prompt.cmd"
# Typed from a file: Wine's cmd.exe reads its input a piece at a time and seeks back to the
# line's end, which a pipe cannot.
printf 'echo IN=%%CD%%\r\nkelvaro-cli.exe --help\r\nexit\r\n' >"$work/typed.txt"
prompt_opens_in() {
  local expected=$1 said
  said=$(wine_run cmd /c "$(winepath -w "$work/prompt.cmd")" <"$work/typed.txt" 2>&1 | tr -d '\r')
  [[ $(sed -n 's/.*>IN=//p' <<<"$said") == "$expected" ]] || fail "the prompt did not open in $expected: $said"
  grep -q '>Usage: kelvaro-cli' <<<"$said" || fail "the prompt did not find kelvaro-cli.exe: $said"
  [[ -d $(winepath -u "$expected") ]] || fail "$expected was not made"
}
profile=$(wine_run cmd /c echo %USERPROFILE% | tr -d '\r')
prompt_opens_in "$profile\\Documents\\Kelvaro"
wine_run reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v Personal \
  /t REG_EXPAND_SZ /d '%USERPROFILE%\Moved Documents' /f >/dev/null 2>&1 || fail "cannot redirect Documents"
prompt_opens_in "$profile\\Moved Documents\\Kelvaro"

# The uninstaller copies itself away and returns at once: wait for the folder to go.
wine_run "$install_dir\\uninstall.exe" /S || fail "the silent uninstall failed"
uninstalled() { [[ ! -e $program ]]; }
wait_for 30 "the uninstaller left $install_dir" uninstalled
[[ ! -e $menu/Harnvik && ! -e $menu/Harnvik.lnk ]] || fail "the uninstaller left Start menu entries: $(ls -R "$menu")"
echo "$driver_name: installed into a folder with spaces; the prompt opened in Documents\\Kelvaro, also redirected; uninstalled"
