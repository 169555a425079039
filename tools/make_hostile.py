#!/usr/bin/env python3
"""Writes the hostile workbooks of tests/workbook/fuzz/ (each small on disk) that the
replay test reads: what they would cost if the readers did not bound it, and the
reason their message must give (README.txt there, "-" for a file that must read).

Usage: tools/make_hostile.py   (writes into tests/workbook/fuzz/)
"""

import os
import struct
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "workbook", "fuzz")
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


def xlsx_with(path, sheet, sst, workbook=WB):
    rels = RELS
    if sst is not None:
        rels = RELS.replace('</Relationships>',
                            '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/'
                            'officeDocument/2006/relationships/sharedStrings" '
                            'Target="sharedStrings.xml"/></Relationships>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        parts = [("[Content_Types].xml", CT), ("xl/workbook.xml", workbook),
                 ("xl/_rels/workbook.xml.rels", rels), ("xl/worksheets/sheet1.xml", sheet)]
        if sst is not None:
            parts.append(("xl/sharedStrings.xml", sst))
        for name, text in parts:
            z.writestr(zipfile.ZipInfo(name, STAMP), text, zipfile.ZIP_DEFLATED)


def chained_directory(path, entries):
    """A compound document (version 3, 512-byte sectors) whose directory is one chain
    of right siblings under the root entry: a reader that walks the directory's tree
    recursively goes one level deeper per entry."""
    size, per_sector = 512, 4
    dir_sectors = (entries + per_sector - 1) // per_sector
    fat_sectors = 1
    while fat_sectors * (size // 4) < fat_sectors + dir_sectors:
        fat_sectors += 1
    assert fat_sectors <= 109
    fat = [0xFFFFFFFD] * fat_sectors + [fat_sectors + i + 1 for i in range(dir_sectors)]
    fat[-1] = 0xFFFFFFFE
    fat += [0xFFFFFFFF] * (fat_sectors * (size // 4) - len(fat))
    header = bytearray(512)
    header[0:8] = bytes.fromhex("d0cf11e0a1b11ae1")
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", header, 0x2C, fat_sectors, fat_sectors, 0, 4096,
                     0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
    for i in range(109):
        struct.pack_into("<I", header, 0x4C + 4 * i, i if i < fat_sectors else 0xFFFFFFFF)

    def entry(name, kind, right, child):
        e = bytearray(128)
        u = name.encode("utf-16le") + b"\0\0"
        e[0:len(u)] = u
        struct.pack_into("<HBB", e, 0x40, len(u), kind, 1)
        struct.pack_into("<III", e, 0x44, 0xFFFFFFFF, right, child)
        struct.pack_into("<I", e, 0x74, 0xFFFFFFFE)
        return bytes(e)
    body = [entry("Root Entry", 5, 0xFFFFFFFF, 1)]
    body += [entry("s%d" % i, 2, i + 1 if i + 1 < entries else 0xFFFFFFFF, 0xFFFFFFFF)
             for i in range(1, entries)]
    body += [bytes(128)] * (dir_sectors * per_sector - entries)
    with open(path, "wb") as f:
        f.write(bytes(header) + struct.pack("<%dI" % len(fat), *fat) + b"".join(body))


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

    # 100 MB of white space between two rows, within the bound on a part: it means
    # nothing, and must not cost its size in memory, let alone several times it.
    def blank():
        yield (SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>').encode()
        for _ in range(100):
            yield b" " * (1024 * 1024)
        yield ('<row r="2"><c r="A2"><v>2</v></c></row>' + SHEET_TAIL).encode()
    xlsx(os.path.join(OUT, "whitespace-between-rows.xlsx"), None, blank())
    reasons.append(("whitespace-between-rows.xlsx", "-"))

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
    reasons.append(("entity-expansion.xlsx", "не поддерживает"))

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

    # Spaces written as counts: four 32,767-space runs in each of 10,000 cells, 1.3
    # billion characters from a 1 MB part.
    ods(os.path.join(OUT, "counted-spaces.ods"),
        '<table:table-row>' + ('<table:table-cell office:value-type="string"><text:p>'
                               + '<text:s text:c="32767"/>' * 4
                               + '</text:p></table:table-cell>') * 10000
        + '</table:table-row>')
    reasons.append(("counted-spaces.ods", "млн знаков"))

    # One 30,000-character shared string in 100,000 cells: small in memory while read,
    # large once every cell is worked on.
    sst = ('<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>'
           + "ж" * 30000 + '</t></si></sst>')
    xlsx_with(os.path.join(OUT, "shared-string-everywhere.xlsx"),
              SHEET_HEAD + '<row r="1">' + '<c t="s"><v>0</v></c>' * 100000 + '</row>'
              + SHEET_TAIL, sst)
    reasons.append(("shared-string-everywhere.xlsx", "млн знаков"))

    # Two million and one empty shared strings, five bytes each.
    xlsx_with(os.path.join(OUT, "empty-shared-strings.xlsx"),
              SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>' + SHEET_TAIL,
              '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
              + "<si/>" * 2000001 + "</sst>")
    reasons.append(("empty-shared-strings.xlsx", "разных строк"))

    # Ten thousand and one sheets listed in the workbook.
    xlsx_with(os.path.join(OUT, "many-sheets.xlsx"),
              SHEET_HEAD + '<row r="1"><c r="A1"><v>1</v></c></row>' + SHEET_TAIL, None,
              WB.replace('<sheet name="Лист1" sheetId="1" r:id="rId1"/>',
                         '<sheet name="Лист" sheetId="1" r:id="rId1"/>' * 10001))
    reasons.append(("many-sheets.xlsx", "листов"))

    # A directory of 5,000 chained entries; 100,000 of them (a 13 MB file) overflow
    # the stack of a reader that walks the chain recursively.
    chained_directory(os.path.join(OUT, "chained-directory.xls"), 5000)
    reasons.append(("chained-directory.xls", "записей"))

    # The lines of the fuzz targets' findings are kept as they are.
    readme = os.path.join(OUT, "README.txt")
    made = {name for name, _ in reasons}
    found = []
    if os.path.exists(readme):
        with open(readme, encoding="utf-8") as f:
            found = [l.rstrip("\n").split("\t", 1) for l in f
                     if "\t" in l and not l.startswith("#")]
    reasons += [(n, r) for n, r in found if n not in made]
    with open(readme, "w", encoding="utf-8") as f:
        f.write("# Inputs the replay test (tst_hostile_workbooks) reads: hostile files from\n"
                "# tools/make_hostile.py and inputs the fuzz targets found. A line names a\n"
                "# file and, after a tab, what its message must contain (\"-\": it must read;\n"
                "# \"*\": values or any message of the reader).\n")
        for name, reason in reasons:
            f.write("%s\t%s\n" % (name, reason))


if __name__ == "__main__":
    main()
