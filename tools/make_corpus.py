#!/usr/bin/env python3
"""The reading corpus (tests/intake/corpus/): one order, written by several programs.
This script holds the content and writes the openpyxl workbook, the description the
Perl writers read (corpus.json) and the cell list of the libxlsxwriter writer
(corpus.cells); tools/make_corpus.sh runs them all and converts with LibreOffice and
Gnumeric. Every file has the same cells: three sheets, the middle one active, the
order's header at C3 with a merged comment header, formulas with saved results, a
date, a blank row, a row of spaces, a comment with a double space and a fraction.

Usage: tools/make_corpus.py OUTDIR
"""

import datetime
import json
import os
import sys

# A cell: None, a number, a str, or a dict: {"f": formula, "v": saved result} or
# {"date": "YYYY-MM-DD"}.
NOTES = [["Как заполнять заявку", None], [None, "Цвет по каталогу RAL"]]
ORDER = [
    ["Количество", "Цвет", "Ширина, мм", "Длина, мм", "Толщина", "Комментарий", None],
    [10, "RAL 9003", 1200, 600, 8, "первая"],
    [{"f": "=2*3", "v": 6}, "ral 9010", 1200, 1200, 8, {"f": '="квад"&"рат"', "v": "квадрат"}],
    [150, "RAL 7016", 1500, {"f": "=ROUND(3599.6,0)", "v": 3600}, {"f": "=4+4", "v": 8},
     {"date": "2024-03-01"}],
    [],
    ["  ", " ", None, None, None, "   "],
    [1, "RAL 050 50 20", 190, 2500, 8, "два  пробела"],
    [4, "RAL 5005", 300, 2000, 8, 12.5],
]
OLD = [["Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"],
       ["RAL 3005", 2000, 1000, 10, 7, None]]

# (name, rows, first row, first column); the second sheet is active. The comment
# header is merged over two cells (H3:I3).
SHEETS = [("Памятка", NOTES, 0, 0), ("Заявка", ORDER, 2, 2), ("Старая заявка", OLD, 0, 0)]
ACTIVE = 1
MERGE = (2, 7, 2, 8)


def cells():
    for n, (name, rows, r0, c0) in enumerate(SHEETS):
        for r, row in enumerate(rows):
            for c, v in enumerate(row):
                if v is not None:
                    yield n, r0 + r, c0 + c, v


def write_openpyxl(path):
    import openpyxl
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    sheets = [wb.create_sheet(name) for name, _, _, _ in SHEETS]
    for n, r, c, v in cells():
        cell = sheets[n].cell(row=r + 1, column=c + 1)
        if isinstance(v, dict) and "date" in v:
            cell.value = datetime.date.fromisoformat(v["date"])
            cell.number_format = "DD.MM.YYYY"
        elif isinstance(v, dict):
            # openpyxl saves no formula results: it writes the results themselves.
            cell.value = v["v"]
        else:
            cell.value = v
    sheets[ACTIVE].merge_cells(start_row=MERGE[0] + 1, start_column=MERGE[1] + 1,
                               end_row=MERGE[2] + 1, end_column=MERGE[3] + 1)
    wb.active = ACTIVE
    for n, ws in enumerate(sheets):
        ws.sheet_view.tabSelected = n == ACTIVE
    wb.save(path)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_openpyxl(os.path.join(out, "openpyxl.xlsx"))
    with open(os.path.join(out, "corpus.json"), "w", encoding="utf-8") as f:
        json.dump({"sheets": [name for name, _, _, _ in SHEETS], "active": ACTIVE,
                   "merge": MERGE, "cells": list(cells())}, f, ensure_ascii=False)
    # One cell a line for the C writer: sheet row col kind, then the value (and the
    # formula's result) on tab-separated fields.
    with open(os.path.join(out, "corpus.cells"), "w", encoding="utf-8") as f:
        f.write("%d\n" % ACTIVE)
        for name, _, _, _ in SHEETS:
            f.write("sheet\t%s\n" % name)
        for n, r, c, v in cells():
            if isinstance(v, dict) and "date" in v:
                f.write("%d\t%d\t%d\td\t%s\n" % (n, r, c, v["date"]))
            elif isinstance(v, dict):
                kind = "fs" if isinstance(v["v"], str) else "fn"
                f.write("%d\t%d\t%d\t%s\t%s\t%s\n" % (n, r, c, kind, v["f"], v["v"]))
            elif isinstance(v, str):
                f.write("%d\t%d\t%d\ts\t%s\n" % (n, r, c, v))
            else:
                f.write("%d\t%d\t%d\tn\t%r\n" % (n, r, c, v))


if __name__ == "__main__":
    main()
