#!/usr/bin/env python3
"""Writes the example order workbooks (examples/) and the reading test workbooks
(tests/intake/data/) in .xlsx and .ods with nothing but the standard library, and a
JSON description of every .xls workbook that tools/make_xls.pl turns into BIFF.

Run from anywhere: python3 tools/make_examples.py && perl tools/make_xls.pl
(tools/make_examples.sh does both). The output is deterministic: the same script
writes the same bytes, so regenerating shows no change unless the content changed.
"""

import json
import os
import random
import sys
import zipfile
from xml.sax.saxutils import escape

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STAMP = (2024, 1, 15, 10, 0, 0)

HEADER = ["Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"]
COLOURS = ["RAL 9003", "RAL 9010", "RAL 1015", "RAL 1013", "RAL 7035", "RAL 7016",
           "RAL 7024", "RAL 8017", "RAL 3005", "RAL 5005", "RAL 6005", "RAL 050 50 20"]
REMARKS = ["", "", "", "фасад, сторона А", "фасад, сторона Б", "цоколь", "откосы",
           "срочно", "под сверловку", "подрезка на объекте"]


class Sheet:
    """One sheet: its name and its cells, placed with the top-left cell at (row0, col0)
    (zero-based). A cell is None (empty), a str or a number."""

    def __init__(self, name, rows, row0=0, col0=0):
        self.name = name
        self.rows = rows
        self.row0 = row0
        self.col0 = col0


def col_letters(col):
    s = ""
    col += 1
    while col:
        col, rem = divmod(col - 1, 26)
        s = chr(65 + rem) + s
    return s


def add(zf, name, text):
    info = zipfile.ZipInfo(name, STAMP)
    info.compress_type = zipfile.ZIP_DEFLATED
    zf.writestr(info, text.encode("utf-8"))


def number_text(v):
    if isinstance(v, float) and v.is_integer():
        return str(int(v))
    return repr(v)


# ---------------------------------------------------------------- .xlsx

def write_xlsx(path, sheets, active):
    strings, index = [], {}

    def sst(s):
        if s not in index:
            index[s] = len(strings)
            strings.append(s)
        return index[s]

    sheet_xml = []
    for n, sh in enumerate(sheets):
        rows_xml = []
        last_col = sh.col0
        for r, row in enumerate(sh.rows):
            cells = []
            for c, v in enumerate(row):
                if v is None:
                    continue
                ref = col_letters(sh.col0 + c) + str(sh.row0 + r + 1)
                last_col = max(last_col, sh.col0 + c)
                if isinstance(v, str):
                    cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, sst(v)))
                else:
                    cells.append('<c r="%s"><v>%s</v></c>' % (ref, number_text(v)))
            if cells:
                rows_xml.append('<row r="%d">%s</row>' % (sh.row0 + r + 1, "".join(cells)))
        first = col_letters(sh.col0) + str(sh.row0 + 1)
        last = col_letters(last_col) + str(sh.row0 + max(len(sh.rows), 1))
        sheet_xml.append(
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            '<dimension ref="%s:%s"/>'
            '<sheetViews><sheetView workbookViewId="0"%s/></sheetViews>'
            '<sheetData>%s</sheetData></worksheet>'
            % (first, last, ' tabSelected="1"' if n == active else "", "".join(rows_xml)))

    with zipfile.ZipFile(path, "w") as zf:
        add(zf, "[Content_Types].xml",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            + "".join('<Override PartName="/xl/worksheets/sheet%d.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % (i + 1)
                      for i in range(len(sheets)))
            + '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
            '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
            '</Types>')
        add(zf, "_rels/.rels",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
            '</Relationships>')
        add(zf, "xl/workbook.xml",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
            '<bookViews><workbookView activeTab="%d"/></bookViews><sheets>%s</sheets></workbook>'
            % (active, "".join('<sheet name="%s" sheetId="%d" r:id="rId%d"/>'
                               % (escape(sh.name, {'"': "&quot;"}), i + 1, i + 1)
                               for i, sh in enumerate(sheets))))
        n = len(sheets)
        add(zf, "xl/_rels/workbook.xml.rels",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            + "".join('<Relationship Id="rId%d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet%d.xml"/>' % (i + 1, i + 1)
                      for i in range(n))
            + '<Relationship Id="rId%d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>' % (n + 1)
            + '<Relationship Id="rId%d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>' % (n + 2)
            + '</Relationships>')
        add(zf, "xl/styles.xml",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
            '<fills count="2"><fill><patternFill patternType="none"/></fill>'
            '<fill><patternFill patternType="gray125"/></fill></fills>'
            '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
            '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
            '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
            '</styleSheet>')
        for i, xml in enumerate(sheet_xml):
            add(zf, "xl/worksheets/sheet%d.xml" % (i + 1), xml)
        add(zf, "xl/sharedStrings.xml",
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">%s</sst>'
            % (len(strings), len(strings),
               "".join('<si><t xml:space="preserve">%s</t></si>' % escape(s) for s in strings)))


# ---------------------------------------------------------------- .ods

ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0" '
          'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"')


def ods_text(s):
    """ODF collapses white space in text: leading, trailing and repeated spaces are
    written as text:s elements, as office suites do."""
    out, i = [], 0
    while i < len(s):
        if s[i] == " ":
            j = i
            while j < len(s) and s[j] == " ":
                j += 1
            n = j - i
            if n == 1 and 0 < i and j < len(s):
                out.append(" ")
            else:
                out.append('<text:s text:c="%d"/>' % n if n > 1 else "<text:s/>")
            i = j
        else:
            out.append(escape(s[i]))
            i += 1
    return "".join(out)


def ods_cell(v):
    if v is None:
        return "<table:table-cell/>"
    if isinstance(v, str):
        return ('<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>'
                % ods_text(v))
    return ('<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>'
            % (number_text(v), number_text(v).replace(".", ",")))


def write_ods(path, sheets, active):
    tables = []
    for sh in sheets:
        width = max((len(r) for r in sh.rows), default=0)
        rows = []
        if sh.row0:
            rows.append('<table:table-row table:number-rows-repeated="%d"><table:table-cell/></table:table-row>'
                        % sh.row0)
        for row in sh.rows:
            lead = ('<table:table-cell table:number-columns-repeated="%d"/>' % sh.col0) if sh.col0 else ""
            rows.append("<table:table-row>%s%s</table:table-row>"
                        % (lead, "".join(ods_cell(v) for v in row + [None] * (width - len(row)))))
        tables.append('<table:table table:name="%s">%s</table:table>'
                      % (escape(sh.name, {'"': "&quot;"}), "".join(rows)))
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n'
               '<office:document-content %s office:version="1.2"><office:body><office:spreadsheet>%s'
               '</office:spreadsheet></office:body></office:document-content>' % (ODS_NS, "".join(tables)))
    settings = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<office:document-settings %s office:version="1.2"><office:settings>'
                '<config:config-item-set config:name="ooo:view-settings">'
                '<config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>'
                '<config:config-item config:name="ViewId" config:type="string">view1</config:config-item>'
                '<config:config-item config:name="ActiveTable" config:type="string">%s</config:config-item>'
                '</config:config-item-map-entry></config:config-item-map-indexed>'
                '</config:config-item-set></office:settings></office:document-settings>'
                % (ODS_NS, escape(sheets[active].name)))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<manifest:manifest %s manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="settings.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>' % ODS_NS)
    with zipfile.ZipFile(path, "w") as zf:
        info = zipfile.ZipInfo("mimetype", STAMP)
        info.compress_type = zipfile.ZIP_STORED
        zf.writestr(info, b"application/vnd.oasis.opendocument.spreadsheet")
        add(zf, "content.xml", content)
        add(zf, "settings.xml", settings)
        add(zf, "META-INF/manifest.xml", manifest)


# ---------------------------------------------------------------- .xls (described)

def describe_xls(path, sheets, active, descriptions):
    descriptions.append({
        "path": os.path.relpath(path, ROOT),
        "active": active,
        "sheets": [{"name": sh.name, "row0": sh.row0, "col0": sh.col0, "rows": sh.rows}
                   for sh in sheets],
    })


def write_all(base, sheets, active, formats, descriptions):
    if "xlsx" in formats:
        write_xlsx(base + ".xlsx", sheets, active)
    if "ods" in formats:
        write_ods(base + ".ods", sheets, active)
    if "xls" in formats:
        describe_xls(base + ".xls", sheets, active, descriptions)


# ---------------------------------------------------------------- content

def example_order(seed, count, thickness):
    rnd = random.Random(seed)
    rows = [list(HEADER)]
    for _ in range(count):
        length = rnd.randrange(1200, 3601, 50)
        width = rnd.choice([190, 240, 300, 400, 600, 750, 900, 1200, 1250, 1500])
        if width > length:
            width = 1200
        # Now and then a sheet is written width first: the import turns it.
        if rnd.random() < 0.1 and width < length and length <= 1500:
            length, width = width, length
        rows.append([rnd.choice(COLOURS), length, width, thickness,
                     rnd.randint(1, 150), rnd.choice(REMARKS) or None])
    return rows


def sample_sheets():
    """The reading test workbook: three sheets, the middle one active; its used range
    starts at C3, holds a blank row and a row of spaces, numbers whole and fractional."""
    notes = Sheet("Памятка", [["Как заполнять заявку", None], [None, "Цвет по каталогу RAL"],
                              ["Толщина", 8]])
    order = Sheet("Заявка", [
        ["Количество", "Цвет", "Ширина, мм", "Длина, мм", "Толщина листа", "Комментарий к позиции"],
        [10, "RAL 9003", 1200, 600, 8, "первая"],
        [5, "ral 9010", 1200, 1200, 8, "квадрат"],
        [None, None, None, None, None, None],
        ["  ", " ", None, None, None, "   "],
        [150, "RAL 7016", 1500, 3600, 8, None],
        [1, "RAL 050 50 20", 190, 2500, 8, 12.5],
    ], row0=2, col0=2)
    old = Sheet("Старая заявка", [list(HEADER), ["RAL 3005", 2000, 1000, 10, 7, None]])
    return [notes, order, old], 1


def invalid_rows_sheets():
    """Rows the import refuses, each for its own cause, on a sheet whose used range
    starts at B2, so the rows are named by the sheet's numbers (3 to 8)."""
    return [Sheet("Заявка", [
        list(HEADER),
        ["RAL 9003", 1200, 600, None, 5, "без толщины"],
        ["RAL 9010", 1200, 600, 8, 10, None],
        ["RAL 7016", 12.5, 600, 8, 3, "дробная длина"],
        ["RAL 7016", 1200, 600, 8, 0, "ноль листов"],
        ["RAL 7016", 2147483648, 600, 8, 1, "длиннее целого"],
        ["RAL 7016", 1200, -1, 8, 1.5, None],
    ], row0=1, col0=1)], 0


def mixed_thickness_sheets():
    """One workbook of 8 and 12 mm sheets: two materials in one order."""
    return [Sheet("Заявка", [
        list(HEADER),
        ["RAL 9003", 2000, 1200, 8, 10, None],
        ["RAL 9003", 2500, 1200, 8, 4, None],
        ["RAL 7016", 3000, 1200, 12, 6, "цоколь"],
        ["RAL 9010", 1500, 600, 8, 8, None],
    ])], 0


def bench(rows, base):
    """A large order for the benchmark: BASE.xlsx, BASE.ods and the description of
    BASE.xls in BASE.json (perl tools/make_xls.pl BASE.json writes it)."""
    descriptions = []
    write_all(base, [Sheet("Заявка", example_order(rows, rows, 8))], 0, ["xlsx", "ods", "xls"],
              descriptions)
    for d in descriptions:
        d["path"] = os.path.abspath(base + ".xls")
    with open(base + ".json", "w", encoding="utf-8") as f:
        json.dump(descriptions, f, ensure_ascii=False)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--bench":
        bench(int(sys.argv[2]), sys.argv[3])
        return
    descriptions = []
    os.makedirs(os.path.join(ROOT, "examples"), exist_ok=True)
    data = os.path.join(ROOT, "tests", "intake", "data")
    os.makedirs(data, exist_ok=True)

    write_all(os.path.join(ROOT, "examples", "order_8mm"),
              [Sheet("Заявка", example_order(8, 25, 8))], 0, ["xlsx"], descriptions)
    write_all(os.path.join(ROOT, "examples", "order_10mm"),
              [Sheet("Заявка", example_order(10, 32, 10))], 0, ["xls"], descriptions)
    write_all(os.path.join(ROOT, "examples", "order_12mm"),
              [Sheet("Заявка", example_order(12, 18, 12))], 0, ["ods"], descriptions)

    sheets, active = sample_sheets()
    write_all(os.path.join(data, "sample"), sheets, active, ["xlsx", "ods", "xls"], descriptions)
    sheets, active = invalid_rows_sheets()
    write_all(os.path.join(data, "invalid_rows"), sheets, active, ["xlsx"], descriptions)
    sheets, active = mixed_thickness_sheets()
    write_all(os.path.join(data, "mixed_thickness"), sheets, active, ["xlsx"], descriptions)

    with open(os.path.join(ROOT, "tools", "xls_workbooks.json"), "w", encoding="utf-8") as f:
        json.dump(descriptions, f, ensure_ascii=False, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
