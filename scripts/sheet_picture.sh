#!/usr/bin/env bash
# The guides' picture of a sheet (docs/images/sheet.png), as LibreOffice Calc shows it:
#   scripts/sheet_picture.sh [BUILD] [OUT_FOLDER]
# kelvaro-cli sheet writes a sheet of three sites from a template with the simulated
# module's phone numbers and event codes, and Calc (headless) opens it as the guides
# say, fits the columns and prints the first ones with their grid, letters and row
# numbers to PDF; pdftoppm makes that a PNG, cropped to the cells. DejaVu fonts alone,
# a fresh profile and no time stamps in the PNG make every run draw the same file.
# make screenshots runs it after the windows' pictures.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
out=$(mkdir -p "${2:-$here/../docs/images}" && cd "${2:-$here/../docs/images}" && pwd)
cli=$build/cli/kelvaro-cli
# Site, the phone numbers, the prefix, the event codes and the first SMS text.
shown_range=A1:Q4
fail() {
  echo "sheet_picture.sh: $*" >&2
  exit 1
}

"$here/deps.sh" libreoffice-calc-nogui python3-uno poppler-utils imagemagick
[[ -x $cli ]] || fail "$cli is missing; build first (make build)."
work=$(mktemp -d)
soffice_pid=""
finish() {
  if [[ -n $soffice_pid ]]; then
    kill -TERM "$soffice_pid" 2>/dev/null || true
    wait "$soffice_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
  FONTCONFIG_FILE=$here/screenshots/fonts.conf LANG=C.UTF-8 LC_ALL=C.UTF-8
mkdir -p "$HOME"
cd "$work"

head -c 1024 /dev/zero | tr '\0' '\377' >erased.HVK
"$cli" set erased.HVK user1=06301234567 user2=06209876543 smsfw1=06705551234 smsfw2=0614567890 \
  autodial=06309990011 prefix=9 event1=1130 event2=1110 event3=1120 event4=1301 event5=1302 event6=1401 \
  event7=1137 event8=1151 'event9=1*02' 'sms1=Betörés riasztás!' 'sms2=Tűzjelzés a lakásban' -o template.HVK
"$cli" sheet template.HVK Kovács "Nagy Bt." Szabó -o sheet.csv

pipe=kelvaro_sheet_$$
soffice --headless --invisible --norestore --nologo --accept="pipe,name=$pipe;urp;" >soffice.log 2>&1 &
soffice_pid=$!
/usr/bin/python3 "$here/screenshots/sheet_pdf.py" "$pipe" "$work/sheet.csv" "$shown_range" "$work/sheet.pdf" ||
  fail "Calc did not print the sheet: $(cat soffice.log)"
pdftoppm -r 96 -png -singlefile sheet.pdf page
convert page.png -trim +repage -bordercolor white -border 8 -strip -define png:exclude-chunks=date,time \
  "$out/sheet.png"
echo "  sheet.png  $(identify -format '%w x %h' "$out/sheet.png")"
