#!/usr/bin/env bash
# Runs lintian on the package `make package` wrote into the build folder and fails on
# anything it reports. Exit status 77 (the test is skipped) when there is no package
# yet or lintian is not installed.
set -euo pipefail
build=$1
version=$2
skipped=77

shopt -s nullglob
packages=("$build"/kelvaro_"$version"_*.deb)
if ((${#packages[@]} == 0)); then
  echo "lintian: no kelvaro_${version}_*.deb in $build yet (make package)"
  exit $skipped
fi
if ! command -v lintian >/dev/null; then
  echo "lintian: not installed (make deps)"
  exit $skipped
fi

# As root lintian warns about itself; that says nothing about the package.
said=$(lintian "${packages[@]}" 2>&1 | grep -vx 'running with root privileges is not recommended!' || true)
if [[ -n $said ]]; then
  echo "$said"
  exit 1
fi
echo "lintian: nothing to report on ${packages[*]}"
