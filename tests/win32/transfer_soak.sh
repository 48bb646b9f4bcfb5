#!/usr/bin/env bash
# kelvaro-cli.exe under Wine writing, comparing and reading against harnvik-sim paced at
# 19200 bit/s behind COM5, procedure after procedure, while a second Wine program starts
# and ends beside it over and over. No procedure may be lost:
#   transfer_soak.sh PREFIX HARNVIK_SIM KELVARO_CLI_EXE [PROCEDURES]
# PROCEDURES (default 300) run in turns of three: write an image (two images in turn,
# so every write changes the module), compare it, read it back and check the bytes.
# Each procedure is a Wine program of its own, about 1.2 s on the line plus Wine's
# start. The module logs what crosses the line (harnvik-sim --log); a lost procedure
# ends the soak with what kelvaro-cli.exe said and the module's log of that procedure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ ${1:-} != --soak ]]; then
  prefix=$1 sim=$2 exe=$3 procedures=${4:-300}
  [[ $procedures =~ ^[1-9][0-9]*$ ]] || { echo "transfer_soak: PROCEDURES must be a count, not $procedures" >&2; exit 2; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  "$here/run_with_modules.sh" "$prefix" "$sim" "COM5 --baud 19200 --log $work/module.log" -- \
    --host "$0" --soak "$prefix" "$exe" "$procedures" "$work" || status=$?
  # The module has ended, so its log holds a reply cut short too.
  if [[ -s $work/lost.from ]]; then
    echo "the module's line since the procedure started (harnvik-sim --log):" >&2
    tail -n +"$(cat "$work/lost.from")" "$work/module.log" >&2
  fi
  exit "$status"
fi

shift
prefix=$1 exe=$2 procedures=$3 work=$4
cd "$work"
wine_run=$here/../../scripts/wine_run.sh

# A Wine program starting and ending beside the procedures until they are done, or
# until the soak itself is gone (ended from outside, its folder with it).
: >beside.count
soak=$$
(
  starts=0
  while [[ ! -e soak.done ]] && kill -0 "$soak" 2>/dev/null; do
    "$wine_run" "$prefix" "$exe" --help >/dev/null 2>&1 || true
    starts=$((starts + 1))
    echo "$starts" >beside.count
  done
) &
beside=$!
stop_beside() {
  touch soak.done
  wait "$beside" 2>/dev/null || true
}
trap stop_beside EXIT

# Two images that differ in every byte.
for _ in 1 2 3 4; do printf "$(printf '\\%03o' {0..255})"; done >a.HVK
tr '\000-\377' '\001-\377\000' <a.HVK >b.HVK

lost() {
  echo "transfer_soak: procedure $1 of $procedures ($2) lost: $3" >&2
  echo "kelvaro-cli.exe said:" >&2
  tr -d '\r' <cli.txt >&2
  echo "$((log_lines + 1))" >lost.from
  exit 1
}

start=$SECONDS
for ((i = 1; i <= procedures; i++)); do
  turn=$(((i - 1) / 3))
  image=$([[ $((turn % 2)) == 0 ]] && echo a.HVK || echo b.HVK)
  log_lines=$(wc -l <module.log)
  status=0
  case $(((i - 1) % 3)) in
    0)
      what="write $image"
      timeout 120 "$wine_run" "$prefix" "$exe" write COM5 "$image" >cli.txt 2>&1 || status=$?
      ;;
    1)
      what="compare $image"
      timeout 120 "$wine_run" "$prefix" "$exe" compare COM5 "$image" >cli.txt 2>&1 || status=$?
      ;;
    2)
      what="read, expecting $image"
      rm -f read.HVK
      timeout 120 "$wine_run" "$prefix" "$exe" read COM5 read.HVK >cli.txt 2>&1 || status=$?
      [[ $status != 0 ]] || cmp -s read.HVK "$image" || lost "$i" "$what" "the file read is not the image written"
      ;;
  esac
  [[ $status == 0 ]] || lost "$i" "$what" "exit status $status"
done
stop_beside
echo "transfer_soak: $procedures procedures at 19200 bit/s ($(((procedures + 2) / 3)) writes, $(((procedures + 1) / 3))" \
  "compares, $((procedures / 3)) reads), none lost, in $((SECONDS - start)) s; a second Wine program started" \
  "$(cat beside.count) times beside them"
