#!/usr/bin/env bash
# The guides' shell examples under Linux, through guide_examples.py:
#   guide_examples_linux.sh SOURCE_DIR KELVARO_CLI HARNVIK_SIM
# Each guide's blocks run by bash in a scratch folder of their own, which is also their
# HOME (XDG_CONFIG_HOME its .config), with kelvaro-cli on PATH and COM3 a simulated
# module behind a pseudo-terminal. Every COM name whose table device exists on this
# machine is linked to nowhere, so that no example (find, compare auto) opens a real
# serial device. guide_examples.py runs each guide's script through this same file:
#   guide_examples_linux.sh --in-home MODULE_DEVICE SCRIPT
set -euo pipefail
if [[ $1 == --in-home ]]; then
  export HOME=$PWD XDG_CONFIG_HOME=$PWD/.config
  ports=$XDG_CONFIG_HOME/Kelvaro/ports
  mkdir -p "$ports"
  table=(/dev/ttyS{0..31} /dev/ttyUSB{0..31} /dev/ttyACM{0..31}) # COM1 to COM96
  for i in "${!table[@]}"; do
    if [[ -c ${table[i]} ]]; then ln -sfn /nonexistent "$ports/COM$((i + 1))"; fi
  done
  ln -sfn "$2" "$ports/COM3"
  exec bash "$3"
fi
source_dir=$1 cli=$(realpath "$2") sim=$(realpath "$3")
work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [[ -n $sim_pid ]]; then kill "$sim_pid" && wait "$sim_pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export PATH=$(dirname "$cli"):$PATH

mkfifo "$work/sim.out"
"$sim" --port COM3 --config-dir "$work/sim" >"$work/sim.out" &
sim_pid=$!
exec {sim_out}<"$work/sim.out"
read -r -u "$sim_out" _ device || { echo "guide_examples_linux: harnvik-sim gave no device" >&2; exit 1; }

here=$(cd "$(dirname "$0")" && pwd)
cd "$source_dir"
"$here/guide_examples.py" sh "$work" docs/kezikonyv.md docs/user-guide.md -- "$here/guide_examples_linux.sh" --in-home "$device"
