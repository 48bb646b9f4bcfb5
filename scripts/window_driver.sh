# Sourced by the scripts that start the program and drive its windows as a person would
# (scripts/screenshots.sh, tests/win32/setup_end_to_end.sh, and scripts/run.sh for its
# module). It keeps a scratch folder, $work, and every process it starts, and removes
# them all on every way out: the end, a failed wait, an error, a signal. Its waits are
# conditions, each with a time limit and a message saying what did not happen. Keys and
# text go through xdotool, and typed text is read back before the script goes on.
# Windows are found by their captions, from the window tables; on Linux the controls by
# the names assistive tools read (AT-SPI), under Wine, which offers none, by Tab counts.
#
# A script sets driver_name for its messages, sources this file and calls driver_begin.
# A trap of its own would replace the clean-up, and an exec would skip it: it uses
# start and on_exit instead.

driver_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
driver_name=${driver_name:-$(basename "$0")}
driver_undo=()       # what undoes each thing started, run last first at the end
driver_watched=""    # a program whose end fails every wait at once
driver_watched_log=""
driver_on_fail=""    # run once before a failure ends the script (a picture of the screen)
driver_key_delay=50  # ms between keys: a quick typist

# The file the program keeps the chosen port in, as it writes it: a table of two
# columns 20 wide with the port in the first cell.
port_choice_file() { printf '2,1\r\ncw 0,20\r\ncw 1,20\r\n0,0,%s\r\n' "$1"; }

fail() {
  echo "$driver_name: $*" >&2
  if [[ -n $driver_on_fail ]]; then
    local hook=$driver_on_fail
    driver_on_fail=""
    $hook || true
  fi
  exit 1
}

driver_begin() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/$driver_name.XXXXXX")
  trap driver_end EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

driver_end() {
  local status=$? i
  trap - EXIT
  for ((i = ${#driver_undo[@]} - 1; i >= 0; i--)); do eval "${driver_undo[i]}" || true; done
  driver_undo=()
  rm -rf "$work"
  exit "$status"
}

# on_exit COMMAND...: run at the end, before what was started earlier is undone.
on_exit() { driver_undo+=("$(printf '%q ' "$@")"); }

# start COMMAND...: runs it in the background and stops it at the end; $started is its id.
start() {
  "$@" &
  started=$!
  on_exit stop_process "$started"
}

running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat%% *} != Z ]]
}

# Ends the process: asked first, killed when it is still there 5 s later.
stop_process() {
  kill -TERM "$1" 2>/dev/null || return 0
  local _
  for _ in {1..50}; do
    running "$1" || break
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# watch PID NAME LOG: the waits fail at once, with the log, when that program has ended.
watch() { driver_watched=$1 driver_watched_name=$2 driver_watched_log=$3; }
unwatch() { driver_watched=""; }
check_watched() {
  [[ -z $driver_watched ]] || running "$driver_watched" ||
    fail "$driver_watched_name ended: $(cat "$driver_watched_log" 2>/dev/null)"
}

now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails with
# "WHAT within SECONDS s" when the time runs out first.
wait_for() {
  local seconds=$1 what=$2 deadline
  shift 2
  deadline=$(($(now_ms) + seconds * 1000))
  until "$@"; do
    check_watched
    (($(now_ms) < deadline)) || fail "$what within $seconds s"
    sleep 0.1
  done
}

# start_display: an X server of its own (Xvfb, 1024 x 768 at 96 dpi, a white desktop) on
# the first free display, which Xvfb picks itself; exports DISPLAY.
start_display() {
  start Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -wr -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log"
  watch "$started" Xvfb "$work/xvfb.log"
  wait_for 10 "Xvfb gave no display" test -s "$work/display"
  unwatch
  export DISPLAY=:$(head -n 1 "$work/display")
}

# The id of the shown window whose caption is exactly CAPTION, or nothing.
window_id() {
  local pattern
  pattern=$(sed 's/[][\\.*^$(){}+?|]/\\&/g' <<<"$1")
  xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n 1
}
window_shown() { [[ -n $(window_id "$1") ]]; }
window_gone() { [[ -z $(window_id "$1") ]]; }
# Whether the window has the keyboard focus: X's focus, unless the script names a check of
# its own in driver_focus_check (Wine keeps X's focus on the window that had it first and
# passes keys on to the window it made active).
window_focused() { "${driver_focus_check:-x_focus_on}" "$1"; }
x_focus_on() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }

# wait_window CAPTION [SECONDS]: waits until the window shows and has the keyboard focus
# (keys sent before would reach the window before it), and prints its id.
wait_window() {
  local id
  wait_for "${2:-10}" "no window \"$1\"" window_shown "$1"
  id=$(window_id "$1")
  wait_for 10 "the window \"$1\" did not take the keyboard focus" window_focused "$id"
  echo "$id"
}
# focus_window ID: gives the window the keyboard focus, as a click into it would.
focus_window() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
  wait_for 10 "the window $1 did not take the keyboard focus" window_focused "$1"
}
wait_gone() { wait_for "${2:-10}" "the window \"$1\" did not go" window_gone "$1"; }

# press KEY...: keys as xdotool names them (Tab, shift+Tab, ctrl+a, Return).
press() { xdotool key --delay "$driver_key_delay" "$@"; }

# type_text TEXT READ CLEAR...: types TEXT into the control that has the focus, then runs
# READ until the control shows TEXT. Text that came out otherwise (a busy X server drops a
# character now and then) is cleared with the keys CLEAR and typed again.
type_text() {
  local text=$1 read=$2 attempt shown last since deadline
  shift 2
  for attempt in 1 2 3; do
    xdotool type --delay 60 "$text"
    # What the control shows once it has stopped changing for a second.
    last="" since=$(now_ms) deadline=$(($(now_ms) + 10000))
    while :; do
      shown=$($read)
      [[ $shown == "$text" ]] && return 0
      if [[ $shown != "$last" ]]; then
        last=$shown since=$(now_ms)
      elif (($(now_ms) - since >= 1000 || $(now_ms) >= deadline)); then
        break
      fi
      sleep 0.1
    done
    ((attempt < 3)) || break
    echo "$driver_name: typed \"$text\", the control shows \"$shown\"; typing it again" >&2
    press "$@"
  done
  fail "typed \"$text\" three times, and the control shows \"$shown\""
}

# What the window tables hold (tests/ui/print_window_tables): load_window_tables COMMAND...
# runs the printer once; caption TAG and control_name TAG OBJECT-NAME read what it printed.
load_window_tables() {
  "$@" | tr -d '\r' >"$work/window-tables" && [[ -s $work/window-tables ]] ||
    fail "the window tables could not be read from $*"
}
caption() {
  awk -F '\t' -v tag="$1" '$1 == "window" && $2 == tag { print $3; found = 1 } END { exit !found }' \
    "$work/window-tables" || fail "the window tables have no window $1"
}
control_name() {
  awk -F '\t' -v tag="$1" -v name="$2" '$1 == "control" && $2 == tag && $3 == name { print $4; found = 1 }
    END { exit !found }' "$work/window-tables" || fail "the window tables have no control $2 in $1"
}

# start_accessibility PROGRAM: a session bus of its own with the accessibility bus on it,
# and a question line to AT-SPI about PROGRAM (scripts/atspi_focus.py); Qt programs
# started after it publish their controls there.
start_accessibility() {
  start dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/session-bus" 2>>"$work/accessibility.log"
  wait_for 10 "the session bus gave no address" test -s "$work/session-bus"
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/session-bus")
  export DBUS_SESSION_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  start /usr/libexec/at-spi-bus-launcher --launch-immediately >>"$work/accessibility.log" 2>&1
  coproc atspi { exec /usr/bin/python3 "$driver_dir/atspi_focus.py" "$1"; }
  on_exit stop_process "$atspi_PID"
  [[ $(atspi_ask ready) == ready ]] || fail "the accessibility registry did not start"
}
atspi_ask() {
  local reply
  echo "$1" >&"${atspi[1]}"
  IFS= read -r -t 30 reply <&"${atspi[0]}" || fail "AT-SPI gave no answer to \"$1\""
  printf '%s\n' "$reply"
}
# The name of the control that has the keyboard focus, and the text it holds.
focused_control() {
  local focus
  focus=$(atspi_ask focus)
  printf '%s\n' "${focus#*$'\t'}"
}
focused_text() { atspi_ask text; }
has_focus() { [[ -n $(atspi_ask focus) ]]; }
focus_left() { [[ $(atspi_ask focus) != "$1" ]]; }
focus_on() { [[ $(focused_control) == "$1" ]]; }

# tab_to NAME [KEY]: presses KEY (Tab, or shift+Tab) until the control named NAME has the
# focus, watching the focus move after each press as a person would.
tab_to() {
  local name=$1 key=${2:-Tab} focus presses
  wait_for 10 "nothing took the keyboard focus" has_focus
  for ((presses = 0; presses < 40; presses++)); do
    focus=$(atspi_ask focus)
    [[ ${focus#*$'\t'} == "$name" ]] && return 0
    press "$key"
    wait_for 10 "the focus did not leave \"${focus#*$'\t'}\" on $key" focus_left "$focus"
  done
  fail "$key never reached \"$name\""
}
