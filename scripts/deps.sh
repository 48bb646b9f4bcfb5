#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, skipping what is already there.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  nlohmann-json3-dev nettle-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-dev clang-format
  desktop-file-utils appstream dpkg-dev file lintian cmark-gfm
  xvfb xauth
  ser2net
)
# A caller may name more (make test-wine: the cross compiler and Wine).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
