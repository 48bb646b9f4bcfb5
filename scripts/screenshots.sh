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
port=COM9
# The module's state in the state window: IN2 shorted, the wired line present, signal 23 ("G"),
# an outgoing call; and its first four messages.
module_status='[0110,G,2]'
module_messages=4

fail() {
  echo "screenshots.sh: $*" >&2
  exit 1
}

"$here/deps.sh" xdotool imagemagick openbox xterm x11-utils
for binary in "$program" "$sim" "$cli_dir/kelvaro-cli"; do
  [[ -x $binary ]] || fail "$binary is missing; build first (make build)."
done

work=$(mktemp -d)
pids=()
stop_all() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

# A clean, fixed world: nothing of the caller's desktop, home or fonts reaches the pictures.
mkdir -p "$work/home/Documents" "$work/config/Kelvaro" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
  QT_FONT_DPI QT_LINUX_ACCESSIBILITY_ALWAYS_ON XDG_CURRENT_DESKTOP DESKTOP_SESSION GTK_THEME WAYLAND_DISPLAY \
  SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS XAUTHORITY
export QT_QPA_PLATFORM=xcb HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
  XDG_RUNTIME_DIR=$work/runtime FONTCONFIG_FILE=$here/screenshots/fonts.conf LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  PATH=$cli_dir:$PATH

# Starts a program in the background and remembers it for stop_all.
start() {
  "$@" &
  pids+=($!)
}
alive() { kill -0 "${pids[-1]}" 2>/dev/null; }
# The program the waits below watch: they fail at once when it has ended.
watched_pid=""
watched_log=""
watched_alive() {
  [[ -z $watched_pid ]] || kill -0 "$watched_pid" 2>/dev/null || fail "the program ended: $(cat "$watched_log")"
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Xvfb picks the first free display itself and writes its number once it takes connections. The
# desktop is white, as a page is where a tooltip stands out of its window.
start Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -wr -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log"
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  alive || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
[[ -s $work/display ]] || fail "Xvfb gave no display within 10 s."
export DISPLAY=:$(head -n 1 "$work/display")

start openbox --config-file "$here/screenshots/openbox.xml" >"$work/openbox.log" 2>&1
# The pointer rests where no window is, so nothing shows a hover.
park_pointer() { xdotool mousemove 1023 767; }

# Repeats a check every 0.1 s for up to 10 s; fails with the message if it never holds.
wait_until() {
  local message=$1
  shift
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  fail "$message"
}
openbox_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until "the window manager did not start: $(cat "$work/openbox.log" 2>/dev/null)" openbox_ready
park_pointer

# The module and the program share the scratch config folder; its port choice names the module.
printf '2,1\r\ncw 0,20\r\ncw 1,20\r\n0,0,%s\r\n' "$port" >"$work/config/Kelvaro/VORMAK_setup.ini"
start "$sim" --port "$port" --config-dir "$work/config/Kelvaro" --status "$module_status" \
  --messages "$module_messages" >"$work/sim.log" 2>&1
sim_started() {
  alive || fail "the simulated module did not start: $(cat "$work/sim.log")"
  [[ -s $work/sim.log ]]
}
wait_until "the simulated module gave no sign of life within 10 s." sim_started

# The id of the shown window with this exact caption, once there is one.
window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]] && break
    watched_alive
    sleep 0.1
  done
  [[ -n $id ]] || fail "no window \"$1\" within 10 s."
  echo "$id"
}
gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
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

# "x0 y0 x1 y1" of a window with the frame the window manager drew around it.
frame_box() {
  local info x y w h left right top bottom
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  # A window without a frame (the splash, a tooltip) has no extents.
  read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',') ||
    true
  echo "$((x - ${left:-0})) $((y - ${top:-0})) $((x + w + ${right:-0})) $((y + h + ${bottom:-0}))"
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

# Writes NAME.png: the screen within the windows' box, once it has not changed for quiet_ms
# (a window being drawn, a lamp turning, a poll's answer would change it). No time stamps or other
# text chunks go into the file, so an unchanged picture is an unchanged file.
shoot() {
  local name=$1 quiet_ms=$2
  shift 2
  local x0 y0 x1 y1 crop previous="$work/previous.png" current="$work/current.png" still_since
  read -r x0 y0 x1 y1 < <(union_box "$@")
  crop=$((x1 - x0))x$((y1 - y0))+$x0+$y0
  capture() { import -window root -crop "$crop" +repage -strip -define png:exclude-chunks=date,time "$1"; }
  capture "$previous"
  still_since=$(now_ms)
  for _ in $(seq 100); do
    sleep 0.2
    capture "$current"
    if [[ $(compare -metric AE "$previous" "$current" null: 2>&1) != 0 ]]; then
      cp "$current" "$previous"
      still_since=$(now_ms)
    elif (($(now_ms) - still_since >= quiet_ms)); then
      cp "$current" "$out/$name.png"
      echo "  $name.png  $((x1 - x0)) x $((y1 - y0))"
      return 0
    fi
  done
  fail "$name: the window did not come to rest within 20 s."
}
# Keys as a person types them, into the window that has the focus.
keys() {
  xdotool key --delay 120 "$@"
  sleep 0.3
}
type_text() {
  xdotool type --delay 60 "$1"
  sleep 0.3
}

echo "Pictures into $out (display $DISPLAY):"

# The splash, over the main window, for its first two seconds.
start "$program" >"$work/program.log" 2>&1
watched_pid=${pids[-1]}
watched_log=$work/program.log
splash_shown() {
  watched_alive
  window_of_type SPLASH >/dev/null
}
wait_until "the splash did not show within 10 s." splash_shown
shoot splash 300 "$(window_of_type SPLASH)"

# The main window, connected: the chooser has the focus, Tab goes on to "Soros kapcsolat létrehozása".
main=$(window 'Harnvik  v.*') # the caption ends in the build's version
keys Tab space
shoot main-window 500 "$main"

# The state window, which the focus reached after connecting; the quiet time outlasts two polls.
keys space
state=$(window 'A modul állapota')
shoot state-window 1200 "$state"
keys Escape
wait_until "the state window did not close on Esc." gone 'A modul állapota'

# The transfer window, and a read: its first button has the focus; Tab Tab reaches the read.
keys Tab space
transfer=$(window 'Paraméterek beállítása')
keys Tab Tab space
shoot transfer-read 500 "$transfer"

# The settings editor filled by the read, then SMS 9 changed (Shift+Tab four times from the first
# row: the two buttons, IN2, SMS 9) and stored.
keys Tab Tab Tab space
editor=$(window 'Harnvik  -  Beállítások')
shoot settings-editor 500 "$editor"
keys shift+Tab shift+Tab shift+Tab shift+Tab ctrl+a
type_text 'Heti teszt jelentés'
keys Tab Tab space
wait_until "the settings editor did not close." gone 'Harnvik  -  Beállítások'

# The compare (Shift+Tab from "Adatok szerkesztése"): block 2 differs; the pointer rests on its
# lamp until the lamp's tooltip names the field.
keys shift+Tab space
xdotool mousemove --window "$transfer" 105 24
tooltip_shown() { window_of_type TOOLTIP >/dev/null; }
wait_until "no tooltip on the lamp within 10 s." tooltip_shown
shoot transfer-compare 500 "$transfer" "$(window_of_type TOOLTIP)"
park_pointer

# The changed settings saved as a file for kelvaro-cli: "Mentés fájlba" is three back.
keys shift+Tab shift+Tab shift+Tab space
window 'Mentés fájlba' >/dev/null
type_text 'sablon'
keys Return
wait_until "the save dialog did not close." gone 'Mentés fájlba'
[[ -f $HOME/Documents/sablon.HVK ]] || fail "the program did not save sablon.HVK."

# A file error: a file shorter than 1024 bytes, through "Beolvasás fájlból".
head -c 100 /dev/zero >"$HOME/Documents/rovid.HVK"
keys shift+Tab space
window 'Beolvasás fájlból' >/dev/null
type_text 'rovid.HVK'
keys Return
error_box=$(window 'Kelvaro')
shoot file-error 500 "$error_box"
keys Return
keys Escape
wait_until "the transfer window did not close on Esc." gone 'Paraméterek beállítása'

# "Kilépés", after "Paraméterek beállítása", ends the program and lets go of the port.
keys Tab space
program_ended() { ! kill -0 "$watched_pid" 2>/dev/null; }
wait_until "the program did not end on \"Kilépés\"." program_ended
watched_pid=""

# kelvaro-cli in a terminal against the same module: read it, then compare it with the saved file.
cd "$HOME"
start xterm -T kelvaro-cli -geometry 78x14 -fa 'DejaVu Sans Mono' -fs 10 -bg white -fg black -u8 +sb \
  -e env PS1='$ ' bash --norc --noprofile -i >"$work/xterm.log" 2>&1
watched_pid=${pids[-1]}
watched_log=$work/xterm.log
terminal=$(window kelvaro-cli)
type_text 'kelvaro-cli read COM9 modul.HVK'
keys Return
wait_until "kelvaro-cli read wrote no file." test -s modul.HVK
type_text 'kelvaro-cli compare COM9 Documents/sablon.HVK'
keys Return
shoot kelvaro-cli 1000 "$terminal"
