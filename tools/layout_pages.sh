#!/bin/sh
# Prints an order's layout workbook as the operator's office suite would: writes it
# with gravelon-cli export, converts it to PDF with LibreOffice and says how many
# pages it gave. A check by hand of the page set-up; LibreOffice is not needed by the
# program or its tests.
#
# Usage: tools/layout_pages.sh SETTINGS_INI OUTPUT_FOLDER [export options: --order ID]
# (GRAVELON_CLI names another gravelon-cli than the one of build/bin.)
set -eu

if [ $# -lt 2 ]; then
    echo "Использование: tools/layout_pages.sh SETTINGS_INI ПАПКА [--order ID]" >&2
    exit 2
fi
ini=$1
folder=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${GRAVELON_CLI:-$root/build/bin/gravelon-cli}
command -v soffice >/dev/null || { echo "Нет soffice (LibreOffice Calc)" >&2; exit 1; }
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
workbook="$folder/раскладки.xlsx"
"$cli" --settings "$ini" export "$workbook" "$@" >/dev/null
# A profile of its own, so that a running office suite of the user is left alone.
soffice -env:UserInstallation=file://"$folder"/lo-profile --headless \
    --convert-to pdf --outdir "$folder" "$workbook" >/dev/null
pdf="$folder/раскладки.pdf"
if command -v pdfinfo >/dev/null; then
    pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
else
    pages=$(grep -ac '/Type */Page[^s]' "$pdf")
fi
echo "$pdf: $pages стр."
