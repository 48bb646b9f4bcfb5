#!/usr/bin/env bash
# `make screenshots`: the guides' pictures (docs/images/), drawn by the program itself.
#
# On an X server of its own (Xvfb, on a display no one uses) with a window manager for the window
# frames, it starts the simulated module in a steady state and the program, drives them as a
# person would (keys and the mouse, through xdotool) to each state the guides show, and writes one
# PNG per state, cropped to the window at its real size. Fixed fonts (DejaVu only), a fixed screen,
# a fresh home folder and a module whose state does not move make every run draw the same
# pictures. Every process it starts is stopped at the end, also when something fails.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
out=$(mkdir -p "${2:-$here/../docs/images}" && cd "${2:-$here/../docs/images}" && pwd)
program=$build/app/Kelvaro
sim=$build/sim/harnvik-sim
cli_dir=$build/cli
tables=$build/tests/ui/print_window_tables
port=COM9
# The module's state in the state window: IN2 shorted, the wired line present, signal 23 ("G"),
# an outgoing call; and its first four messages.
module_status='[0110,G,2]'
module_messages=4

source "$here/window_driver.sh"
"$here/deps.sh" xdotool imagemagick openbox xterm x11-utils dbus at-spi2-core python3-pyatspi
for binary in "$program" "$sim" "$cli_dir/kelvaro-cli" "$tables"; do
  [[ -x $binary ]] || fail "$binary is missing; build first (make build)."
done
driver_begin

# A clean, fixed world: nothing of the caller's desktop, home or fonts reaches the pictures.
mkdir -p "$work/home/Documents" "$work/config/Kelvaro" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
  QT_FONT_DPI XDG_CURRENT_DESKTOP DESKTOP_SESSION GTK_THEME WAYLAND_DISPLAY SESSION_MANAGER XAUTHORITY
export QT_QPA_PLATFORM=xcb HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
  XDG_RUNTIME_DIR=$work/runtime FONTCONFIG_FILE=$here/screenshots/fonts.conf LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  PATH=$cli_dir:$PATH

# The windows' captions and the controls' names as the window tables hold them.
load_window_tables "$tables"
main_caption=$(caption shown-main)
state_caption=$(caption state)
transfer_caption=$(caption transfer)
settings_caption=$(caption settings)
save_caption=$(control_name transfer btSave)   # a file dialog's caption is its button's
open_caption=$(control_name transfer btOpen)
error_caption=$(basename "$program")           # a message box's is the program file's name

start_display
start openbox --config-file "$here/screenshots/openbox.xml" >"$work/openbox.log" 2>&1
watch "$started" openbox "$work/openbox.log"
openbox_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 "the window manager did not start" openbox_ready
unwatch
# The pointer rests where no window is, so nothing shows a hover.
park_pointer() { xdotool mousemove 1023 767; }
park_pointer
start_accessibility "$(basename "$program")"

# The module and the program share the scratch config folder; its port choice names the module.
port_choice_file "$port" >"$work/config/Kelvaro/VORMAK_setup.ini"
start "$sim" --port "$port" --config-dir "$work/config/Kelvaro" --status "$module_status" \
  --messages "$module_messages" >"$work/sim.log" 2>&1
watch "$started" "the simulated module" "$work/sim.log"
wait_for 10 "the simulated module gave no sign of life" test -s "$work/sim.log"
unwatch

# The shown window of the program with this window type (SPLASH, TOOLTIP, ...).
window_of_type() {
  local id
  for id in $(xdotool search --onlyvisible --class Kelvaro 2>/dev/null); do
    if xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q "_NET_WM_WINDOW_TYPE_$1\b"; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

# "x0 y0 x1 y1" of a window with the frame the window manager drew around it. Read in the
# shell: under load every process started costs a tenth of a second, and the splash lasts two.
frame_box() {
  local key value x y w h extents left=0 right=0 top=0 bottom=0
  while IFS=: read -r key value; do
    case $key in
      *"Absolute upper-left X") x=${value// /} ;;
      *"Absolute upper-left Y") y=${value// /} ;;
      *"  Width") w=${value// /} ;;
      *"  Height") h=${value// /} ;;
    esac
  done < <(xwininfo -id "$1")
  # A window without a frame (the splash, a tooltip) has no extents.
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) || true
  [[ $extents != *=* ]] || read -r left right top bottom <<<"${extents#*=}"
  echo "$((x - ${left%,})) $((y - ${top%,})) $((x + w + ${right%,})) $((y + h + ${bottom%,}))"
}
# The smallest box around all the windows named.
union_box() {
  local x0=100000 y0=100000 x1=0 y1=0 a b c d
  for id in "$@"; do
    read -r a b c d < <(frame_box "$id")
    ((a < x0)) && x0=$a
    ((b < y0)) && y0=$b
    ((c > x1)) && x1=$c
    ((d > y1)) && y1=$d
  done
  echo "$x0 $y0 $x1 $y1"
}

# A picture of the screen within a box "x0 y0 x1 y1": picture FILE BOX.
picture() {
  local x0 y0 x1 y1
  read -r x0 y0 x1 y1 <<<"$2"
  import -window root -crop $((x1 - x0))x$((y1 - y0))+$x0+$y0 +repage -strip -define png:exclude-chunks=date,time \
    "$1"
}
# The files carry nothing but the pixels, so the same pixels make the same bytes.
same_picture() { cmp -s "$1" "$2"; }
# changed_since FILE BOX: the screen within the box no longer looks as in the picture FILE.
changed_since() {
  picture "$work/now.png" "$2"
  ! same_picture "$1" "$work/now.png"
}
all_shown() {
  local id
  for id in "$@"; do xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || return 1; done
}

# Writes NAME.png: the screen within the windows' box, once it has not changed for quiet_ms
# (a window being drawn, a lamp turning, a poll's answer would change it) and the windows
# are still there; fails when one went first. No time stamps or other text chunks go into
# the file, so an unchanged picture is an unchanged file.
try_shoot() {
  local name=$1 quiet_ms=$2
  shift 2
  local box previous="$work/previous.png" current="$work/current.png" still_since
  box=$(union_box "$@")
  picture "$previous" "$box"
  still_since=$(now_ms)
  for _ in $(seq 200); do
    sleep 0.1
    picture "$current" "$box"
    if ! same_picture "$previous" "$current"; then
      cp "$current" "$previous"
      still_since=$(now_ms)
    elif (($(now_ms) - still_since >= quiet_ms)); then
      all_shown "$@" || return 1
      cp "$current" "$out/$name.png"
      echo "  $name.png  $(identify -format '%w x %h' "$current")"
      return 0
    fi
  done
  fail "$name: the window did not come to rest within 20 s."
}
shoot() { try_shoot "$@" || fail "$1: the window went before it came to rest."; }

echo "Pictures into $out (display $DISPLAY):"

# The splash, over the main window, for its first two seconds; on a machine so busy that the
# splash went before a picture of it came to rest, the program starts again.
splash_shown() { window_of_type SPLASH >/dev/null; }
for attempt in 1 2 3; do
  start "$program" >"$work/program.log" 2>&1
  watch "$started" "the program" "$work/program.log"
  program_pid=$started
  wait_for 10 "the splash did not show" splash_shown
  try_shoot splash 300 "$(window_of_type SPLASH)" && break
  ((attempt < 3)) || fail "splash: the splash went three times before a picture of it came to rest."
  echo "$driver_name: the splash went before a picture of it came to rest; starting the program again" >&2
  unwatch
  stop_process "$program_pid"
done

# The main window, connected: the chooser has the focus, Tab goes on to "Soros kapcsolat
# létrehozása", and connecting hands the focus to the state window's button.
main=$(wait_window "$main_caption")
tab_to "$(control_name main btConnect)"
press space
wait_for 10 "connecting did not hand the focus on" focus_on "$(control_name main btStatus)"
shoot main-window 500 "$main"

# The state window; the quiet time outlasts two polls.
press space
state=$(wait_window "$state_caption")
shoot state-window 1200 "$state"
press Escape
wait_gone "$state_caption"

# The transfer window, and a read.
tab_to "$(control_name main btParameterSetting)"
press space
transfer=$(wait_window "$transfer_caption")
tab_to "$(control_name transfer btRead)"
transfer_box=$(union_box "$transfer")
picture "$work/before.png" "$transfer_box"
press space
wait_for 10 "the read changed nothing in the transfer window" changed_since "$work/before.png" "$transfer_box"
shoot transfer-read 500 "$transfer"

# The settings editor filled by the read, then SMS 9 changed (back from the first row) and stored.
tab_to "$(control_name transfer btEdit)"
press space
editor=$(wait_window "$settings_caption")
shoot settings-editor 500 "$editor"
tab_to "$(control_name settings edSMS9)" shift+Tab
press ctrl+a
type_text 'Heti teszt jelentés' focused_text ctrl+a
tab_to "$(control_name settings btSettingOK)"
press space
wait_gone "$settings_caption"

# The compare: block 2 differs; the pointer rests on its lamp until the lamp's tooltip names
# the field.
tab_to "$(control_name transfer btCompare)" shift+Tab
press space
xdotool mousemove --window "$transfer" 105 24
tooltip_shown() { window_of_type TOOLTIP >/dev/null; }
wait_for 10 "no tooltip on the lamp" tooltip_shown
shoot transfer-compare 500 "$transfer" "$(window_of_type TOOLTIP)"
park_pointer

# The changed settings saved as a file for kelvaro-cli.
tab_to "$save_caption" shift+Tab
press space
wait_window "$save_caption" >/dev/null
type_text 'sablon' focused_text ctrl+a
press Return
wait_gone "$save_caption"
wait_for 10 "the program did not save sablon.HVK" test -f "$HOME/Documents/sablon.HVK"

# A file error: a file shorter than 1024 bytes, through "Beolvasás fájlból".
head -c 100 /dev/zero >"$HOME/Documents/rovid.HVK"
tab_to "$open_caption" shift+Tab
press space
wait_window "$open_caption" >/dev/null
type_text 'rovid.HVK' focused_text ctrl+a
press Return
error_box=$(wait_window "$error_caption")
shoot file-error 500 "$error_box"
press Return
wait_gone "$error_caption"
wait_for 10 "the transfer window did not take the focus back" window_focused "$transfer"
press Escape
wait_gone "$transfer_caption"

# "Kilépés", after "Paraméterek beállítása", ends the program and lets go of the port.
tab_to "$(control_name main btClose)"
unwatch
press space
program_ended() { ! running "$program_pid"; }
wait_for 10 "the program did not end on \"Kilépés\"" program_ended

# kelvaro-cli in a terminal against the same module: read it, then compare it with the saved
# file. The terminal's shell counts its prompts (a command has ended when the next one
# shows), and on Ctrl+X Ctrl+R writes the line typed so far into a file, which reads it
# back; it then redraws the line as it was.
cd "$HOME"
cat >"$work/bashrc" <<RC
PS1='\$ '
PROMPT_COMMAND='echo >>"$work/prompts"'
bind -x '"\C-x\C-r": printf "%s\n" "\$READLINE_LINE" >"$work/terminal-line"'
RC
start xterm -T kelvaro-cli -geometry 78x14 -fa 'DejaVu Sans Mono' -fs 10 -bg white -fg black -u8 +sb \
  -e bash --rcfile "$work/bashrc" --noprofile -i >"$work/xterm.log" 2>&1
watch "$started" xterm "$work/xterm.log"
terminal=$(wait_window kelvaro-cli)
prompts() { cat "$work/prompts" 2>/dev/null | wc -l; }
prompts_past() { (($(prompts) > $1)); }
wait_for 10 "the terminal's shell showed no prompt" prompts_past 0
terminal_line() {
  rm -f "$work/terminal-line"
  press ctrl+x ctrl+r
  wait_for 10 "the terminal's shell did not say its line" test -s "$work/terminal-line"
  cat "$work/terminal-line"
}
# run_in_terminal COMMAND: typed, read back, entered, and waited for.
run_in_terminal() {
  local before
  before=$(prompts)
  type_text "$1" terminal_line ctrl+u
  press Return
  wait_for 20 "\"$1\" did not end" prompts_past "$before"
}
run_in_terminal 'kelvaro-cli read COM9 modul.HVK'
[[ -s modul.HVK ]] || fail "kelvaro-cli read wrote no file"
run_in_terminal 'kelvaro-cli compare COM9 Documents/sablon.HVK'
shoot kelvaro-cli 1000 "$terminal"
