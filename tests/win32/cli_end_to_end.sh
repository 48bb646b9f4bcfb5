#!/usr/bin/env bash
# kelvaro-cli.exe under Wine against a simulated module behind a Wine COM port, and
# what it says set beside what the Linux kelvaro-cli says of the same files:
#   cli_end_to_end.sh PREFIX HARNVIK_SIM KELVARO_CLI_EXE LINUX_KELVARO_CLI
# The module starts from module.HVK and saves to it after every WRACT, so each step
# can start a module of its own.
set -euo pipefail
prefix=$1 sim=$2 exe=$3 linux_cli=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "cli_end_to_end: $*" >&2; exit 1; }
on_module() { "$here/run_with_modules.sh" "$prefix" "$sim" "COM5 --image $work/module.HVK" -- "$exe" "$@"; }

# Erased memory with one SMS text: SMS 2 at 163, its length then its characters.
head -c 1024 /dev/zero | tr '\0' '\377' >module.HVK
printf '\005Teszt' | dd of=module.HVK bs=1 seek=163 conv=notrunc status=none
cp module.HVK before.HVK

on_module read COM5 out.HVK || fail "read failed"
cmp -s out.HVK before.HVK || fail "the file read is not the module's memory"

# SMS 2's first character changed, then written and checked.
cp out.HVK edited.HVK
printf 'X' | dd of=edited.HVK bs=1 seek=164 conv=notrunc status=none
on_module write COM5 edited.HVK --verify || fail "write --verify failed"
cmp -s module.HVK edited.HVK || fail "the module does not hold the file written"

status=0
on_module compare COM5 out.HVK >windows.txt || status=$?
[[ $status == 1 ]] || fail "compare with a difference gave exit status $status, not 1"
status=0
"$linux_cli" diff out.HVK edited.HVK >linux.txt || status=$?
[[ $status == 1 ]] || fail "the Linux diff gave exit status $status"
# A Windows program ends its lines CR LF.
tr -d '\r' <windows.txt | cmp -s - linux.txt || fail "compare said $(cat windows.txt), the Linux tool $(cat linux.txt)"
grep -q '^SMS 2: ' linux.txt || fail "no SMS 2 line in $(cat linux.txt)"

head -c 100 out.HVK >short.HVK
status=0
"$here/../../scripts/wine_run.sh" "$prefix" "$exe" show short.HVK 2>/dev/null || status=$?
[[ $status == 2 ]] || fail "a short file gave exit status $status, not 2"
echo "cli_end_to_end: read, write --verify and compare as on Linux"
