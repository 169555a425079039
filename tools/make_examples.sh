#!/bin/sh
# Regenerates examples/ and tests/intake/data/: .xlsx and .ods from Python's
# standard library, .xls from Perl's Spreadsheet::WriteExcel.
set -e
cd "$(dirname "$0")/.."
python3 tools/make_examples.py
perl tools/make_xls.pl
