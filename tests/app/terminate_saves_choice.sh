#!/usr/bin/env bash
# Ending the program with SIGTERM, as a desktop session does at logout, still saves
# the port choice file: the 33-byte file of a first start.
set -euo pipefail
source "$(dirname "$0")/../../scripts/window_driver.sh" # port_choice_file
program=$1
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# No COM name may reach a real device of this machine.
mkdir -p "$config/Kelvaro/ports"
for n in $(seq 1 96); do ln -s "$config/none" "$config/Kelvaro/ports/COM$n"; done

XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen "$program" 2>/dev/null &
pid=$!
sleep 1
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[[ $status -eq 0 ]] || { echo "program ended with status $status"; exit 1; }

expected=$(port_choice_file COM1 | od -An -tx1)
actual=$(od -An -tx1 "$config/Kelvaro/VORMAK_setup.ini")
[[ $expected == "$actual" ]] || { echo "port choice file differs:"; echo "$actual"; exit 1; }
echo "port choice saved on SIGTERM"
