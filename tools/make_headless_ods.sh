#!/bin/sh
# Regenerates tests/intake/data/calculation_first.ods: an order whose first sheet is a
# calculation sheet and whose second holds the order, converted by LibreOffice Calc
# without a window, which saves no active sheet into the .ods. Needs (generating only;
# the tests read the committed file): libreoffice-calc-nogui.
set -e
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cell() { # cell TEXT: a text cell; a number when TEXT is all digits
  case "$1" in
    *[!0-9]*|'') printf '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' "$1" ;;
    *) printf '<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>' "$1" "$1" ;;
  esac
}
row() { printf '<table:table-row>'; for c in "$@"; do cell "$c"; done; printf '</table:table-row>\n'; }
{
  cat <<'HEAD'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="Расчет">
HEAD
  row "Площадь, м2" "Листов" "Вес, кг"
  row 12 6 190
  row 30 15 475
  echo '</table:table><table:table table:name="Заявка">'
  row "Цвет" "Длина" "Ширина" "Толщина" "Количество" "Комментарий"
  row "RAL 9003" 3000 1200 8 6 ""
  row "RAL 7024" 2500 1200 8 15 "угол срезан"
  row "RAL 9003" 1200 600 8 4 ""
  echo '</table:table></office:spreadsheet></office:body></office:document>'
} > "$tmp/calculation_first.fods"
HOME=$tmp soffice --headless --norestore --convert-to ods --outdir "$tmp/out" \
  "$tmp/calculation_first.fods" >/dev/null 2>&1
cp "$tmp/out/calculation_first.ods" tests/intake/data/calculation_first.ods
