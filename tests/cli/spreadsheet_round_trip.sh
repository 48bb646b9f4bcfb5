#!/usr/bin/env bash
# A sheet through a real spreadsheet program and back:
#   spreadsheet_round_trip.sh KELVARO_CLI HARNVIK_SIM
# kelvaro-cli sheet writes a sheet from a template whose phone numbers and prefix begin
# with 0, whose event codes hold * and whose texts begin with = + - @ or look like a
# date or a truth value. LibreOffice Calc, headless, opens it twice: with the formulas
# evaluated, the way the guides say to open it, and with its own defaults (formulas
# left as text); and saves each as CSV with semicolons in UTF-8 and in code page 1250.
# The batch of each saved sheet against harnvik-sim must leave exactly the template's
# bytes in the module. Exit status 77 (skipped) without LibreOffice: make
# test-spreadsheet installs it.
set -euo pipefail
cli=$1 sim=$2
command -v soffice >/dev/null || {
  echo "spreadsheet_round_trip: LibreOffice is not installed (make test-spreadsheet installs it)"
  exit 77
}
work=$(mktemp -d)
sim_pid=""
stop_sim() {
  [[ -z $sim_pid ]] && return
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
}
trap 'stop_sim; rm -rf "$work"' EXIT
cd "$work"
# LibreOffice's profile, and the COM names, in here.
export HOME=$work/home XDG_CONFIG_HOME=$work/config
fail() {
  echo "spreadsheet_round_trip: $*" >&2
  exit 1
}

head -c 1024 /dev/zero | tr '\0' '\377' >erased.HVK
"$cli" set erased.HVK user1=06301234567 user2=06201234567 smsfw1=0036301112222 autodial=0612345678 prefix=0 \
  'event1=1*30' event2=0130 'event3=*1*2' event4=0000 'sms1==riasztás' 'sms2=+36 hívás' sms3=- sms4=@otthon \
  'sms5=Betörés: Kovács, Fő u. 3.' sms6=3/12 sms7=IGAZ 'sms8=mondta: "jó"' 'sms9=Tűz; füst' sms10=12:30 \
  -o template.HVK
"$cli" sheet template.HVK Kovács "Fő u. 3" -o sheet.csv

# Field separator ;, text delimiter ", UTF-8 (76) or code page 1250 (33), from line 1, no
# column types, the default language, quoted fields not forced to text, special numbers
# (dates, times) detected, cells shown as they are, spaces kept, then whether formulas
# are evaluated.
calc_in() { echo "Text - txt - csv (StarCalc):59,34,76,1,,0,false,true,false,false,false,0,$1"; }
calc_out() { echo "csv:Text - txt - csv (StarCalc):59,34,$1,1,,0,false,false,true,false,false"; }
start=$SECONDS
for evaluate in true false; do
  for charset in 76 33; do
    soffice --headless --infilter="$(calc_in $evaluate)" --convert-to "$(calc_out $charset)" \
      --outdir "saved-$evaluate-$charset" sheet.csv >/dev/null 2>&1 || fail "LibreOffice did not convert the sheet"
    [[ -s saved-$evaluate-$charset/sheet.csv ]] || fail "LibreOffice wrote no sheet"
  done
done
echo "spreadsheet_round_trip: LibreOffice opened and saved the sheet 4 times in $((SECONDS - start)) s"
iconv -f UTF-8 -t CP1250 saved-true-76/sheet.csv | cmp -s - saved-true-33/sheet.csv ||
  fail "the sheet saved in code page 1250 is not the UTF-8 one in that code page"

for saved in saved-*/sheet.csv; do
  cp erased.HVK module.HVK
  coproc SIM { exec "$sim" --port COM5 --config-dir "$XDG_CONFIG_HOME/Kelvaro" --image "$work/module.HVK"; }
  sim_pid=$SIM_PID
  read -r -u "${SIM[0]}" _ _ || fail "harnvik-sim did not start"
  printf '\n\n' | "$cli" batch "$saved" --template template.HVK --port COM5 --verify >batch.txt 2>batch.err ||
    fail "$saved: the batch failed: $(cat batch.txt batch.err)"
  stop_sim
  grep -qx '2 done, 0 failed, 0 skipped' batch.txt || fail "$saved: the batch said $(cat batch.txt)"
  cmp -s module.HVK template.HVK || fail "$saved: the module does not hold the template's bytes"
done
echo "spreadsheet_round_trip: 4 sheets saved by LibreOffice Calc programmed the template's bytes"
