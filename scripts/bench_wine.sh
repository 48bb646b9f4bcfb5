#!/usr/bin/env bash
# `make bench-wine`: the transfers of the Windows build under Wine, against harnvik-sim
# paced at 19200 bit/s behind COM5. com_transfer_bench.exe reads, writes and compares with
# the real port object and procedures, times each inside the process from the first
# command byte sent to the last reply byte received, and sets it against the wire time of
# the bytes it moved. Needs the build of `make test-wine` (build/ and build-win/).
set -euo pipefail
cd "$(dirname "$0")/.."
exe=build-win/bench/com_transfer_bench.exe
[[ -x build/sim/harnvik-sim && -f $exe ]] || { echo "bench-wine: build with make test-wine first" >&2; exit 2; }
tests/win32/run_with_modules.sh "$PWD/build-win/wine-prefix" build/sim/harnvik-sim "COM5 --baud 19200" -- \
  "$exe" COM5
