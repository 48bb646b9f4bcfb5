#!/usr/bin/env bash
# Runs a Windows program under Wine with simulated modules behind Wine COM ports:
#   run_with_modules.sh PREFIX SIM "COMn [harnvik-sim options]"... -- PROGRAM [ARGS...]
#   run_with_modules.sh PREFIX SIM "COMn ..."... -- --host COMMAND [ARGS...]
#   run_with_modules.sh --only-these PREFIX ...
# Each simulated module opens a pseudo-terminal and prints "COMn /dev/pts/N" once it
# answers; that device is linked as PREFIX/dosdevices/comn, which Wine opens for
# \\.\COMn. The program finds the live names in KELVARO_MODULE_PORTS, and the TCP port
# of a broker that makes more pseudo-terminals on request (pty_broker.py) in
# KELVARO_PTY_BROKER. With --host the command runs on Linux instead, for a script that
# starts Windows programs itself. The modules, the broker and the links go when the
# program ends. With --only-these the spooler lists the modules' ports alone meanwhile, so
# that a program asking every port (find) opens none of the machine's; its list is put back.
set -euo pipefail
only_these=""
if [[ $1 == --only-these ]]; then
  only_these=1
  shift
fi
prefix=$1
sim=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
links=()
broker_pid=""
ports_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports'
wine_reg() { "$here/../../scripts/wine_run.sh" "$prefix" reg "$@" >/dev/null 2>&1; }
unlist_ports() {
  for value in $("$here/../../scripts/wine_run.sh" "$prefix" reg query "$ports_key" 2>/dev/null | tr -d '\r' |
    awk '$1 ~ /^COM[0-9]+:$/ {print $1}'); do
    wine_reg delete "$ports_key" /v "$value" /f || true
  done
}
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  # The broker ends at the end of its input, taking its links with it.
  if [[ -n $broker_pid ]]; then
    exec {broker_in}>&-
    wait "$broker_pid" 2>/dev/null || true
  fi
  for link in "${links[@]}"; do rm -f "$link"; done
  if [[ -f $work/ports.reg ]]; then
    unlist_ports
    wine_reg import "$(winepath -w "$work/ports.reg")" || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The links need the prefix first.
"$here/../../scripts/wine_run.sh" "$prefix"
if [[ -n $only_these ]]; then
  export WINEPREFIX=$prefix
  wine_reg export "$ports_key" "$(winepath -w "$work/ports.reg")" /y || { echo "run_with_modules.sh: cannot save the spooler's list" >&2; exit 1; }
  unlist_ports
fi

# The broker serves until its standard input, a pipe of ours, closes.
exec {broker_in}> >(exec python3 "$here/pty_broker.py" "$prefix" "$sim" >"$work/broker.out")
broker_pid=$!
for _ in $(seq 100); do [[ -s $work/broker.out ]] && break; sleep 0.05; done
read -r KELVARO_PTY_BROKER <"$work/broker.out" || { echo "run_with_modules.sh: the pty broker did not start" >&2; exit 1; }
export KELVARO_PTY_BROKER

ports=()
while (($# > 0)) && [[ $1 != -- ]]; do
  read -r -a module <<<"$1"
  shift
  port=${module[0]}
  fifo=$work/$port.out
  mkfifo "$fifo"
  "$sim" --port "$port" --config-dir "$work/config" "${module[@]:1}" >"$fifo" &
  pids+=($!)
  exec {out}<"$fifo"
  # Blocks until the module answers on its pseudo-terminal, or ends for good.
  read -r -u "$out" name device || { echo "run_with_modules.sh: $sim gave no device for $port" >&2; exit 1; }
  link=$prefix/dosdevices/${name,,}
  ln -sfn "$device" "$link"
  links+=("$link")
  if [[ -n $only_these ]]; then wine_reg add "$ports_key" /v "$name:" /t REG_SZ /d "" /f; fi
  ports+=("$name")
done
shift  # the --

export KELVARO_MODULE_PORTS="${ports[*]}"
status=0
if [[ ${1:-} == --host ]]; then
  shift
  "$@" || status=$?
else
  "$here/../../scripts/wine_run.sh" "$prefix" "$@" || status=$?
fi
exit "$status"
