#!/usr/bin/env bash
# `make test-wine`: the core, its tests and kelvaro-cli cross-built for 64-bit Windows
# and run under Wine in a fresh prefix of their own (build-win/wine-prefix), the serial
# tests and kelvaro-cli.exe against simulated modules from the Linux build behind Wine
# COM ports. `make windows` builds the same and packs kelvaro-cli.exe (test_wine.sh --zip).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

# The Linux build's packages too: harnvik-sim comes from it. googletest holds the
# sources built for the target.
scripts/deps.sh gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 wine wine64 googletest

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target harnvik-sim kelvaro-cli -j "$jobs"

cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DKELVARO_HARNVIK_SIM="$PWD/build/sim/harnvik-sim" \
  -DKELVARO_LINUX_CLI="$PWD/build/cli/kelvaro-cli"
cmake --build build-win -j "$jobs"

if [[ ${1:-} == --zip ]]; then
  cmake --build build-win --target kelvaro_cli_zip -j "$jobs"
  echo "build-win/kelvaro-cli-$(sed -n 's/^project(Kelvaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-win64.zip"
  exit 0
fi

prefix=$PWD/build-win/wine-prefix
stop_wineserver() { WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; }
stop_wineserver
rm -rf "$prefix" "$prefix.log"
trap stop_wineserver EXIT
scripts/wine_run.sh "$prefix"
# One at a time: the tests share the prefix's COM ports.
(cd build-win && ctest --output-on-failure -j 1)
