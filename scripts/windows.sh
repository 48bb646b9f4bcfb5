#!/usr/bin/env bash
# The Windows build, cross-built with mingw-w64 into build-win/ against the Qt for
# Windows of scripts/qt_windows.sh (made once, kept in a cache outside the clone):
#   windows.sh build   `make windows`: Kelvaro-<version>-setup.exe, the portable
#                      Kelvaro-<version>-win64.zip and kelvaro-cli-<version>-win64.zip
#   windows.sh test    `make test-wine`: that build's tests under Wine, in a fresh prefix
#                      of its own (build-win/wine-prefix), against simulated modules of
#                      the Linux build behind Wine COM ports
#   windows.sh bench   `make bench-wine`: the transfers under Wine against the wire
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
mode=${1:-build}

# The Linux build's packages too: harnvik-sim comes from it. googletest holds the
# sources built for the target; nsis makes the setup program; the end-to-end run of
# the installed program needs a display and a way to type into it, and binutils' strings
# to read its shortcuts; locales has the Hungarian locale the guides' cmd.exe examples
# run in.
scripts/deps.sh gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 wine wine64 googletest nsis xdotool imagemagick python3 fonts-liberation2 \
  binutils locales
qt=$(scripts/qt_windows.sh | tail -n 1)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target harnvik-sim kelvaro-cli print_window_tables -j "$jobs"

cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DKELVARO_HARNVIK_SIM="$PWD/build/sim/harnvik-sim" -DKELVARO_LINUX_CLI="$PWD/build/cli/kelvaro-cli" \
  -DKELVARO_LINUX_WINDOW_TABLES="$PWD/build/tests/ui/print_window_tables" >/dev/null
cmake --build build-win -j "$jobs"

case $mode in
  build)
    cmake --build build-win --target kelvaro_cli_zip -j "$jobs"
    ls -1 build-win/*.exe build-win/*.zip
    ;;
  test)
    prefix=$PWD/build-win/wine-prefix
    stop_wineserver() { WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; }
    stop_wineserver
    rm -rf "$prefix" "$prefix.log"
    trap stop_wineserver EXIT
    scripts/wine_run.sh "$prefix"
    # The tests that share the prefix's COM ports say so to CTest (a resource lock).
    (cd build-win && ctest --output-on-failure -j "$jobs")
    ;;
  bench)
    scripts/bench_wine.sh
    ;;
  *)
    echo "windows.sh: build, test or bench, not $mode" >&2
    exit 2
    ;;
esac
