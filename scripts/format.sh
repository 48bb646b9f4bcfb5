#!/usr/bin/env bash
# Applies .clang-format to every C++ file in the tree; with --check, changes nothing
# and fails when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z $formatter ]]; then
  echo "format: clang-format is not installed (make deps installs it)" >&2
  exit 1
fi

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --check ]]; then
  "$formatter" --dry-run -Werror "${files[@]}"
else
  "$formatter" -i "${files[@]}"
fi
