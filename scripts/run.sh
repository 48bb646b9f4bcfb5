#!/usr/bin/env bash
# `make run`: the program on a simulated module, so a newcomer can connect, read, edit,
# write and compare at once. The simulated module gets a demo config folder of its own
# (nothing in ~/.config is touched), whose port choice names the module's port; the
# module stops when the program ends.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
program=$build/app/Kelvaro
sim=$build/sim/harnvik-sim
port=${KELVARO_DEMO_PORT:-COM9}
demo=${KELVARO_DEMO_HOME:-$build/demo-config}   # becomes XDG_CONFIG_HOME
config=$demo/Kelvaro

for binary in "$program" "$sim"; do
  if [[ ! -x $binary ]]; then
    echo "run.sh: $binary is missing; build first (make build)." >&2
    exit 1
  fi
done
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run.sh: no display; on a machine without one try: xvfb-run -a make run" >&2
  exit 1
fi

mkdir -p "$config"
# The port choice file: the module's port, so "Soros kapcsolat létrehozása" connects to it.
printf '2,1\r\ncw 0,20\r\ncw 1,20\r\n0,0,%s\r\n' "$port" >"$config/VORMAK_setup.ini"

log=$build/harnvik-sim.log
: >"$log"   # emptied here, not in the child, so an old line is never taken for a new one
"$sim" --port "$port" --config-dir "$config" >>"$log" 2>&1 &
sim_pid=$!
stop_sim() {
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
}
trap stop_sim EXIT

# The module prints its port and device once its link is in place.
for _ in $(seq 100); do
  [[ -s $log ]] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run.sh: the simulated module did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.05
done
if [[ ! -s $log ]]; then
  echo "run.sh: the simulated module gave no sign of life within 5 s." >&2
  exit 1
fi
echo "Simulated module: $(head -n 1 "$log")"

XDG_CONFIG_HOME=$demo "$program"
