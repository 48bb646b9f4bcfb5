#!/usr/bin/env bash
# kelvaro-cli.exe under Wine against a simulated module behind a Wine COM port, and
# what it says set beside what the Linux kelvaro-cli says of the same files:
#   cli_end_to_end.sh PREFIX HARNVIK_SIM KELVARO_CLI_EXE LINUX_KELVARO_CLI
# The module starts from module.HVK and saves to it after every WRACT, so each step
# can start a module of its own. Last, a module behind COM120 is listed and found.
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

wine_cli() { "$here/../../scripts/wine_run.sh" "$prefix" "$exe" "$@"; }

# set: the same bytes as the Linux tool makes (é and ö have the same byte in every
# Western and Central European code page the prefix may have); a refused value
# leaves the file alone.
cp out.HVK set.HVK
cp out.HVK set-linux.HVK
wine_cli set set.HVK "sms3=Betörés" user1=06301234567 event2=1*30 2>/dev/null || fail "set failed"
"$linux_cli" set set-linux.HVK "sms3=Betörés" user1=06301234567 event2=1*30
cmp -s set.HVK set-linux.HVK || fail "set made other bytes than the Linux tool"
status=0
wine_cli set set.HVK user2=+3630 2>/dev/null || status=$?
[[ $status == 2 ]] || fail "a refused value gave exit status $status, not 2"
cmp -s set.HVK set-linux.HVK || fail "a refused value changed the file"

# show --json (CR LF lines) into import --base gives the same bytes.
wine_cli show set.HVK --json >set.json
wine_cli import set.json imported.HVK --base set.HVK || fail "import failed"
cmp -s imported.HVK set.HVK || fail "show --json | import --base changed the image"

# A batch of two rows from a sheet saved in code page 1250, Enter twice on standard
# input: the module ends with the template and the second row, and the record holds
# both rows with the hash of what each module got.
printf 'site;user1;sms1\r\nKov\xe1cs;06301111111;"Bet\xf6r\xe9s: Kov\xe1cs, F\xf5 u. 3."\r\nNagy;06302222222;Nagy\r\n' >sites.csv
"$linux_cli" set set.HVK user1=06302222222 sms1=Nagy -o nagy.HVK
printf '\n\n' | on_module batch sites.csv --template set.HVK --port COM5 --record record.jsonl >batch.txt 2>/dev/null ||
  fail "batch failed: $(cat batch.txt)"
cmp -s module.HVK nagy.HVK || fail "the module does not hold the template with the last row"
tr -d '\r' <batch.txt | tail -1 | grep -qx '2 done, 0 failed, 0 skipped' || fail "batch said $(cat batch.txt)"
[[ $(grep -c '"outcome":"ok"' record.jsonl) == 2 ]] || fail "the record holds $(cat record.jsonl)"
grep -q "\"site\":\"Nagy\",.*\"sha256\":\"$(sha256sum <nagy.HVK | cut -c1-64)\"" record.jsonl ||
  fail "no hash of Nagy's image in $(cat record.jsonl)"
wine_cli log record.jsonl | tr -d '\r' >log-windows.txt
"$linux_cli" log record.jsonl >log-linux.txt
cmp -s log-windows.txt log-linux.txt || fail "log printed $(cat log-windows.txt), the Linux tool $(cat log-linux.txt)"

head -c 100 out.HVK >short.HVK
status=0
wine_cli show short.HVK 2>/dev/null || status=$?
[[ $status == 2 ]] || fail "a short file gave exit status $status, not 2"
# COM120, as Windows numbers an adapter on a laptop that has seen many: a spooler entry
# and a device link (run_with_modules.sh's), the only port the spooler lists meanwhile, so
# that neither command opens a port of the machine.
on_com120() {
  "$here/run_with_modules.sh" --only-these "$prefix" "$sim" "COM120 --status [0110,G,2]" -- "$exe" "$@" | tr -d '\r'
}
on_com120 ports >ports.txt || fail "ports failed"
grep -qx 'COM120 \\\\\.\\COM120: free' ports.txt || fail "ports listed $(cat ports.txt), not COM120 free"
on_com120 find >find.txt || fail "find found no module: $(cat find.txt)"
grep -qx 'COM120 Vezetékes vonal: Vonal rendben | IN1: Nyitva | IN2: Rövidzár | .* | GSM térerő (0-31): 23' find.txt ||
  fail "find said $(cat find.txt)"
[[ $(wc -l <find.txt) == 1 ]] || fail "find asked other ports than COM120: $(cat find.txt)"
echo "cli_end_to_end: read, write --verify, compare, set, import, batch and log as on Linux; COM120 listed and found"
