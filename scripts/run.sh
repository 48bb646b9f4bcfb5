#!/usr/bin/env bash
# `make run`: the program on a simulated module, so a newcomer can connect, read, edit,
# write and compare at once. The simulated module gets a demo config folder of its own
# (nothing in ~/.config is touched), whose port choice names the module's port; the
# module stops when the program ends.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
program=$build/app/Kelvaro
sim=$build/sim/harnvik-sim
port=${KELVARO_DEMO_PORT:-COM9}
demo=${KELVARO_DEMO_HOME:-$build/demo-config}   # becomes XDG_CONFIG_HOME
config=$demo/Kelvaro
driver_name=run.sh
source "$here/window_driver.sh"

for binary in "$program" "$sim"; do
  [[ -x $binary ]] || fail "$binary is missing; build first (make build)."
done
[[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]] || fail "no display; on a machine without one try: xvfb-run -a make run"
driver_begin

# The port choice file names the module's port, so "Soros kapcsolat létrehozása" connects to it.
mkdir -p "$config"
port_choice_file "$port" >"$config/VORMAK_setup.ini"

log=$build/harnvik-sim.log
: >"$log"   # emptied here, not in the child, so an old line is never taken for a new one
start "$sim" --port "$port" --config-dir "$config" >>"$log" 2>&1
# The module prints its port and device once its link is in place.
watch "$started" "the simulated module" "$log"
wait_for 5 "the simulated module gave no sign of life" test -s "$log"
unwatch
echo "Simulated module: $(head -n 1 "$log")"

XDG_CONFIG_HOME=$demo "$program"
