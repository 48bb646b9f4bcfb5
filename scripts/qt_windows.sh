#!/usr/bin/env bash
# `make qt-windows`: a Qt for 64-bit Windows made from Debian's own qt6-base source, of the
# version the build machine's Qt tools have (the host tools must match the target Qt), and
# kept in a cache folder outside the clone:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/kelvaro/qt-<version>-mingw64-<hash of the options>
# KELVARO_QT_WINDOWS names a Qt for Windows made elsewhere instead. The last line printed is
# the folder. Qt is built into a temporary folder beside it and renamed into place only
# once installed completely, so an interrupted build is never used and is made afresh
# next time; a finished one is reused and takes no time.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
say() { printf 'qt-windows: %s (%d s)\n' "$*" $((SECONDS - started)) >&2; }
fail() {
  printf 'qt-windows: %s\n' "$*" >&2
  printf 'qt-windows: to use a Qt for Windows made by hand, name its folder (the one holding lib/cmake/Qt6): KELVARO_QT_WINDOWS=/path/to/qt make windows\n' >&2
  exit 1
}

# A finished Qt holds this file; it names the Qt version the folder was made for.
stamp=kelvaro-qt.stamp

scripts/deps.sh gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 qt6-base-dev-tools qt6-translations-l10n xz-utils
package_version=$(dpkg-query -W -f '${Version}' qt6-base-dev-tools)
version=${package_version%%+*}

if [[ -n ${KELVARO_QT_WINDOWS:-} ]]; then
  [[ -f $KELVARO_QT_WINDOWS/lib/cmake/Qt6/Qt6ConfigVersion.cmake ]] ||
    fail "KELVARO_QT_WINDOWS=$KELVARO_QT_WINDOWS holds no Qt 6 (no lib/cmake/Qt6/Qt6ConfigVersion.cmake)"
  grep -q "PACKAGE_VERSION \"$version\"" "$KELVARO_QT_WINDOWS/lib/cmake/Qt6/Qt6ConfigVersion.cmake" ||
    fail "KELVARO_QT_WINDOWS=$KELVARO_QT_WINDOWS is not Qt $version, the version of this machine's Qt tools"
  echo "$KELVARO_QT_WINDOWS"
  exit 0
fi

# The compilers with the posix thread model: GCC 12's std::thread needs it on Windows.
toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)'

# Shared libraries: the DLLs go beside the program, as the LGPL expects of a program that
# does not ship its own source. Core, Gui, Widgets and Test with the windows and offscreen
# platforms and the windowsvista style; every third-party library Qt's own copy, never
# one the build machine has for itself.
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dbus=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_glib=OFF -DFEATURE_pkg_config=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
  # Debian's cleaned source has no src/3rdparty/wintab, which tablet support needs.
  -DFEATURE_tabletevent=OFF
)
# Qt's own texts in Hungarian: Debian's translation files (qt6-translations-l10n) are the
# same on every platform. Also put into a Qt made before it carried them.
add_translation() {
  local folder=$1/translations
  [[ -f $folder/qtbase_hu.qm ]] && return 0
  mkdir -p "$folder"
  cp /usr/share/qt6/translations/qtbase_hu.qm "$folder/.qtbase_hu.qm.new"
  mv "$folder/.qtbase_hu.qm.new" "$folder/qtbase_hu.qm"
}

hash=$(printf '%s\n' "$version" "$toolchain" "${options[@]}" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/kelvaro
target=$cache/qt-$version-mingw64-$hash
if [[ -f $target/$stamp ]]; then
  add_translation "$target"
  say "Qt $version for Windows already made"
  echo "$target"
  exit 0
fi

# One build of a Qt at a time: a second `make qt-windows` (or `make windows`, `make test-wine`)
# started while one builds waits for it and then finds its Qt, instead of building another
# beside it into the same log.
mkdir -p "$cache"
log=$target.log
exec {lock}>"$target.lock"
if ! flock -n "$lock"; then
  say "another build of Qt $version for Windows is running (log: $log); waiting for it"
  flock "$lock"
fi
if [[ -f $target/$stamp ]]; then
  add_translation "$target"
  say "Qt $version for Windows made by the build that ran"
  echo "$target"
  exit 0
fi
: >"$log"
work=$(mktemp -d "$target.partial.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The source from the machine's own Debian archive: a private source list and state folder
# made from its deb entries (same archive, suite, component and keyring), so the machine's
# apt setup is left as it was.
sources=/etc/apt/sources.list.d/debian.sources
deb_src=""
if [[ -f $sources ]]; then
  deb_src=$(awk '
    /^URIs:/ { uri = $2 } /^Suites:/ { suite = $2 } /^Components:/ { comp = $2 } /^Signed-By:/ { key = $2 }
    /^$/ { if (uri && !done) { done = 1; print uri, suite, comp, key } uri = "" }
    END { if (uri && !done) print uri, suite, comp, key }' "$sources")
elif [[ -f /etc/apt/sources.list ]]; then
  deb_src=$(awk '$1 == "deb" && $2 !~ /^\[/ { print $2, $3, $4, ""; exit }' /etc/apt/sources.list)
fi
read -r uri suite component keyring <<<"$deb_src" || true
[[ -n ${uri:-} && -n ${suite:-} ]] || fail "no Debian source entry found in $sources or /etc/apt/sources.list"
signed=""
[[ -n ${keyring:-} ]] && signed="[signed-by=$keyring] "
mkdir -p "$work/apt/lists/partial"
echo "deb-src $signed$uri $suite ${component:-main}" >"$work/apt/src.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/src.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o APT::Sandbox::User=root)
mkdir -p "$work/apt/cache/archives/partial"
say "fetching the qt6-base $package_version source from $uri $suite"
(apt-get "${apt_options[@]}" update >>"$log" 2>&1 &&
  cd "$work" && apt-get "${apt_options[@]}" source --download-only "qt6-base=$package_version" >>"$log" 2>&1) ||
  { tail -n 5 "$log" >&2; fail "could not fetch the qt6-base $package_version source (no network, or no deb-src for $suite)"; }
tar -C "$work" -xf "$work"/qt6-base_*.orig.tar.xz
src=$(echo "$work"/qtbase-everywhere-src-*)
[[ -d $src ]] || fail "the qt6-base source archive holds no qtbase-everywhere-src folder"

echo "$toolchain" >"$work/toolchain.cmake"
say "configuring Qt $version for x86_64-w64-mingw32"
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$target" "${options[@]}" >>"$log" 2>&1 ||
  { tail -n 20 "$log" >&2; fail "configuring Qt failed (whole log: $log)"; }

# Ninja's progress, one line per tenth of the steps.
say "building Qt (about 30 minutes on 2 cores)"
if ! NINJA_STATUS='[%f/%t] ' cmake --build "$work/build" -j "${JOBS:-$(nproc)}" 2>&1 | tee -a "$log" |
  awk -v start="$started" '
    match($0, /^\[[0-9]+\/[0-9]+\]/) {
      split(substr($0, 2, RLENGTH - 2), n, "/")
      tenth = int(10 * n[1] / n[2])
      if (tenth > shown) { shown = tenth; printf "qt-windows: built %d of %d steps\n", n[1], n[2] > "/dev/stderr" }
      next
    }
    /FAILED|error:/ { print > "/dev/stderr" }'; then
  fail "building Qt failed (whole log: $log)"
fi

# Installed for its final folder but staged under the temporary one, then renamed into place.
say "installing Qt"
DESTDIR=$work/stage cmake --install "$work/build" >>"$log" 2>&1 || fail "installing Qt failed (whole log: $log)"
add_translation "$work/stage$target"
echo "$version" >"$work/stage$target/$stamp"
rm -rf "$target"
mv "$work/stage$target" "$target"
say "Qt $version for Windows made in $target"
echo "$target"
