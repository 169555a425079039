#!/bin/sh
# Regenerates tests/intake/corpus/: the same order written by openpyxl,
# Excel::Writer::XLSX, Spreadsheet::WriteExcel and libxlsxwriter, then converted by
# LibreOffice Calc (headless) and Gnumeric's ssconvert to .xlsx, .xls and .ods.
# Debian's python3 is used, for its python3-openpyxl. Needs (generating only; the tests read the committed files): python3-openpyxl,
# libexcel-writer-xlsx-perl, libspreadsheet-writeexcel-perl, libxlsxwriter-dev, a C
# compiler, libreoffice-calc-nogui, gnumeric, the ru_RU.UTF-8 locale.
set -e
cd "$(dirname "$0")/.."
out=tests/intake/corpus
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
/usr/bin/python3 tools/make_corpus.py "$tmp"
perl tools/make_corpus.pl "$tmp"
cc -o "$tmp/xlsxwriter" tools/make_corpus_xlsxwriter.c $(pkg-config --cflags --libs xlsxwriter)
"$tmp/xlsxwriter" "$tmp/corpus.cells" "$tmp/libxlsxwriter.xlsx"
# The converters start from the Excel::Writer::XLSX book, whose formulas carry
# results. LibreOffice keeps no text result of a formula from that book when it writes
# .xls, so its .xls is converted from Gnumeric's .xlsx; converting to .ods without a
# window it saves no active sheet, so its .ods starts from the book with the order's
# sheet first.
src=$tmp/excel-writer-xlsx.xlsx
for fmt in xlsx xls ods; do
  ssconvert "$src" "$tmp/gnumeric.$fmt" 2>/dev/null
done
# An Excel 5.0/95 (BIFF5) book: its text is in a code page, the locale's.
LC_ALL=ru_RU.UTF-8 ssconvert -T Gnumeric_Excel:excel_biff7 "$src" "$tmp/gnumeric-biff5.xls" 2>/dev/null
lo() { # lo SOURCE FORMAT TARGET
  rm -rf "$tmp/lo" && mkdir -p "$tmp/lo"
  HOME=$tmp soffice --headless --norestore --convert-to "$2" --outdir "$tmp/lo" "$1" >/dev/null 2>&1
  mv "$tmp/lo/"*."$2" "$3"
}
lo "$src" xlsx "$tmp/libreoffice.xlsx"
lo "$tmp/gnumeric.xlsx" xls "$tmp/libreoffice.xls"
lo "$tmp/order-first.xlsx" ods "$tmp/libreoffice.ods"
for f in openpyxl.xlsx excel-writer-xlsx.xlsx excel-writer-xlsx-1904.xlsx writeexcel.xls \
         writeexcel-1904.xls libxlsxwriter.xlsx libreoffice.xlsx libreoffice.xls \
         libreoffice.ods gnumeric.xlsx gnumeric.xls gnumeric-biff5.xls gnumeric.ods; do
  cp "$tmp/$f" "$out/$f"
done
