#!/usr/bin/env bash
# `make bench-wine`: kelvaro-cli.exe under Wine reading, writing and comparing against
# harnvik-sim paced at 19200 bit/s behind COM5, each set against the wire time of the
# bytes it moves, less the time Wine takes to start a program that does nothing.
# Needs the build of `make test-wine` (build/ and build-win/).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
prefix=$root/build-win/wine-prefix
exe=$root/build-win/cli/kelvaro-cli.exe
rounds=3

if [[ ${1:-} != --measure ]]; then
  [[ -x build/sim/harnvik-sim && -f $exe ]] || { echo "bench-wine: build with make test-wine first" >&2; exit 2; }
  exec tests/win32/run_with_modules.sh "$prefix" build/sim/harnvik-sim "COM5 --baud 19200" -- \
    --host "$0" --measure
fi

# Bytes on the line at 10 bits a byte, 19200 bit/s. Read and compare: per block
# "RDFL000n" CR out, "RDFL", 540 digits, CR LF back. Write: per block "WRFL" CR, 540
# digits, CR out, "WROK" CR LF back; then "WRACT" CR out, "CRCOK" CR LF back.
wire() { awk -v bytes="$1" 'BEGIN { printf "%.4f", bytes * 10 / 19200 }'; }
read_wire=$(wire $((4 * (9 + 546))))
write_wire=$(wire $((4 * (546 + 6) + 6 + 7)))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() { "$root/scripts/wine_run.sh" "$prefix" "$exe" "$@" >/dev/null; }
# The median of the rounds' seconds for one command.
seconds() {
  local times=()
  for ((i = 0; i < rounds; i++)); do
    local start=$EPOCHREALTIME
    run "$@" || { echo "bench-wine: kelvaro-cli.exe $* failed" >&2; exit 1; }
    times+=("$(awk -v a="$EPOCHREALTIME" -v b="$start" 'BEGIN { print a - b }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$((rounds / 2 + 1))p"
}

run --help # the first start of a prefix costs more
start=$(seconds --help)
read_s=$(seconds read COM5 "$work/module.HVK")
# Something other than what the module holds, so the write changes it; the compare then agrees.
tr '\000-\377' '\001-\377\000' <"$work/module.HVK" >"$work/other.HVK"
write_s=$(seconds write COM5 "$work/other.HVK")
compare_s=$(seconds compare COM5 "$work/other.HVK")

pass=1
printf '%-9s %12s %12s %8s\n' "" "wire time" "measured" "ratio"
for row in "read $read_wire $read_s" "write $write_wire $write_s" "compare $read_wire $compare_s"; do
  read -r name wire_s measured <<<"$row"
  net=$(awk -v a="$measured" -v b="$start" 'BEGIN { print a - b }')
  ratio=$(awk -v a="$net" -v b="$wire_s" 'BEGIN { printf "%.3f", a / b }')
  awk -v r="$ratio" 'BEGIN { exit !(r <= 1.05) }' || pass=0
  printf '%-9s %10.3f s %10.3f s %8.3f\n' "$name" "$wire_s" "$net" "$ratio"
done
printf 'Wine start of kelvaro-cli.exe: %.3f s (taken off each)\n' "$start"
((pass)) && echo "PASS: every ratio <= 1.05" || { echo "FAIL: a ratio above 1.05"; exit 1; }
