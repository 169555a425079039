#!/usr/bin/env python3
"""Writes the hostile workbooks of tests/intake/fuzz/ (each small on disk) that the
replay test reads: what they would cost if the readers did not bound it, and the
reason their message must give (README.txt there, "-" for a file that must read).

Usage: tools/make_hostile.py   (writes into tests/intake/fuzz/)
"""

import os
import struct
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "intake", "fuzz")
STAMP = (2024, 1, 15, 10, 0, 0)

CT = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="xml" ContentType="application/xml"/></Types>')
WB = ('<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
      '<sheets><sheet name="Лист1" sheetId="1" r:id="rId1"/></sheets></workbook>')
RELS = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
        'Target="/xl/worksheets/sheet1.xml"/></Relationships>')
SHEET_HEAD = '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
SHEET_TAIL = '</sheetData></worksheet>'


def xlsx(path, sheet, chunks=None):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name, text in (("[Content_Types].xml", CT), ("xl/workbook.xml", WB),
                           ("xl/_rels/workbook.xml.rels", RELS)):
            z.writestr(zipfile.ZipInfo(name, STAMP), text, zipfile.ZIP_DEFLATED)
        info = zipfile.ZipInfo("xl/worksheets/sheet1.xml", STAMP)
        info.compress_type = zipfile.ZIP_DEFLATED
        if chunks is None:
            z.writestr(info, sheet)
        else:
            with z.open(info, "w", force_zip64=False) as f:
                for c in chunks:
                    f.write(c)


def ods(path, table):
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
    content = ('<office:document-content %s><office:body><office:spreadsheet>'
               '<table:table table:name="Лист1">%s</table:table>'
               '</office:spreadsheet></office:body></office:document-content>' % (ns, table))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype", STAMP), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr(zipfile.ZipInfo("content.xml", STAMP), content, zipfile.ZIP_DEFLATED)


def main():
    os.makedirs(OUT, exist_ok=True)
    reasons = []

    # A part that inflates past the bound: 200 MB of spaces, about 200 KB deflated.
    def spaces():
        yield SHEET_HEAD.encode()
        for _ in range(200):
            yield b" " * (1024 * 1024)
        yield SHEET_TAIL.encode()
    xlsx(os.path.join(OUT, "inflates-past-bound.xlsx"), None, spaces())
    reasons.append(("inflates-past-bound.xlsx", "после распаковки больше"))

    # A part whose directory entry claims 4 GB.
    path = os.path.join(OUT, "claims-huge-part.xlsx")
    xlsx(path, SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>' + SHEET_TAIL)
    data = bytearray(open(path, "rb").read())
    at = data.rfind(b"xl/worksheets/sheet1.xml")
    central = data.rfind(b"PK\x01\x02", 0, at)
    struct.pack_into("<I", data, central + 24, 0xFFFFFFF0)
    open(path, "wb").write(data)
    reasons.append(("claims-huge-part.xlsx", "после распаковки больше"))

    # A chain of 100,000 formulas with saved results: read as saved, never evaluated.
    rows = "".join('<row r="%d"><c r="A%d"><f>A%d+1</f><v>%d</v></c></row>' % (i, i, i - 1, i)
                   for i in range(2, 100001))
    xlsx(os.path.join(OUT, "formula-chain.xlsx"),
         SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>' + rows + SHEET_TAIL)
    reasons.append(("formula-chain.xlsx", "-"))

    # Two cells at opposite corners of the sheet.
    xlsx(os.path.join(OUT, "opposite-corners.xlsx"),
         SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>'
         '<row r="1048576"><c r="XFD1048576"><v>2</v></c></row>' + SHEET_TAIL)
    reasons.append(("opposite-corners.xlsx", "слишком велика"))

    # Entities that expand to gigabytes.
    laughs = '<!DOCTYPE worksheet [<!ENTITY a0 "хаха">' + "".join(
        '<!ENTITY a%d "%s">' % (i, ("&a%d;" % (i - 1)) * 10) for i in range(1, 10)) + "]>"
    xlsx(os.path.join(OUT, "entity-expansion.xlsx"),
         laughs + SHEET_HEAD + '<row r="1"><c r="A1" t="inlineStr"><is><t>&a9;</t></is></c></row>'
         + SHEET_TAIL)
    reasons.append(("entity-expansion.xlsx", "повреждён"))

    # One filled cell repeated over a million rows and every column.
    ods(os.path.join(OUT, "repeated-cell.ods"),
        '<table:table-row table:number-rows-repeated="1048576">'
        '<table:table-cell table:number-columns-repeated="16384" office:value-type="float" '
        'office:value="1"><text:p>1</text:p></table:table-cell></table:table-row>')
    reasons.append(("repeated-cell.ods", "заполненных ячеек"))

    # Spans nested 100,000 deep inside one cell.
    ods(os.path.join(OUT, "nested-spans.ods"),
        '<table:table-row><table:table-cell office:value-type="string"><text:p>'
        + "<text:span>" * 100000 + "глубоко" + "</text:span>" * 100000
        + '</text:p></table:table-cell></table:table-row>')
    reasons.append(("nested-spans.ods", "-"))

    with open(os.path.join(OUT, "README.txt"), "w", encoding="utf-8") as f:
        f.write("# Inputs the replay test (tst_reading_corpus) reads: hostile files from\n"
                "# tools/make_hostile.py and inputs the fuzz targets found. A line names a\n"
                "# file and, after a tab, what its message must contain (\"-\": it must read).\n")
        for name, reason in reasons:
            f.write("%s\t%s\n" % (name, reason))


if __name__ == "__main__":
    main()
