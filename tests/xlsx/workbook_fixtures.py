#!/usr/bin/python3
"""Writes the test workbooks and reads workbooks back with openpyxl for the tests.

  workbook_fixtures.py addresses OUT.xlsx   the address book, written by openpyxl
  workbook_fixtures.py handmade OUT.xlsx    hand-written XML: shared strings, sparse cells, …
  workbook_fixtures.py formulas OUT.xlsx    hand-written XML: formulas and a calculation chain
  workbook_fixtures.py formats OUT.xlsx     codes as texts and as formatted numbers, by openpyxl
  workbook_fixtures.py dump IN.xlsx         per cell: sheet!A1 TAB type|value|font|format|fill
"""
import sys
import warnings
import zipfile

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml."


def addresses(path):
    import openpyxl
    from openpyxl.styles import Font, PatternFill

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "住所録"
    ws.append(["郵便番号", "都道府県", "市区町村", "コード", None, "備考"])
    ws.append(["100-0001", "東京都", "千代田区", 1000001, "x", "本社"])
    ws.append(["100-0001", "東京都", "千代田区", 1000001, 5, None])
    ws.append(["0600001", "北海道", "札幌市中央区", 600001, None, None])
    ws.append([None, "大阪府", "大阪市北区", 5300001, None, "空欄"])
    ws.append(["100-0002", "東京都", "千代田区", 1000002, None, None])
    ws["A2"].font = Font(bold=True)
    ws["A2"].fill = PatternFill("solid", fgColor="FFFF00")
    ws["D2"].number_format = "0000000"
    ws["A5"].font = Font(italic=True)

    codes = wb.create_sheet("Sheet2")
    for row in (["100-0001", 1000001], ["100-0003", 1000003], ["0600001", 600001]):
        codes.append(row)
    totals = wb.create_sheet("集計")
    totals.append(["件数"])
    totals.append([3, "=A2*2"])
    wb.save(path)


def sheet(data):
    return f'<worksheet xmlns="{MAIN}"><sheetData>{data}</sheetData></worksheet>'


def package(path, parts):
    """Stores hand-written parts, each (kind, XML) with kind worksheet (named Sheet1, Sheet2, …
    by its place), sharedStrings or calcChain, uncompressed. Style 1 is bold text (format @)."""
    entries = {"xl/styles.xml": (
        f'<styleSheet xmlns="{MAIN}"><fonts><font/><font><b/></font></fonts>'
        '<fills><fill><patternFill/></fill></fills><borders><border/></borders>'
        '<cellXfs><xf/><xf numFmtId="49" fontId="1"/></cellXfs></styleSheet>')}
    types = [f'<Override PartName="/xl/workbook.xml" ContentType="{TYPE}sheet.main+xml"/>']
    rels, sheets = [], []
    for n, (kind, xml) in enumerate(parts, 1):
        part = f"worksheets/sheet{n}.xml" if kind == "worksheet" else kind + ".xml"
        types.append(f'<Override PartName="/xl/{part}" ContentType="{TYPE}{kind}+xml"/>')
        rels.append(f'<Relationship Id="rId{n}" Type="{REL}/{kind}" Target="{part}"/>')
        if kind == "worksheet":
            sheets.append(f'<sheet name="Sheet{n}" sheetId="{n}" r:id="rId{n}"/>')
        entries["xl/" + part] = xml
    entries["[Content_Types].xml"] = (
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        + "".join(types) + "</Types>")
    entries["xl/_rels/workbook.xml.rels"] = (
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        + "".join(rels) + "</Relationships>")
    entries["xl/workbook.xml"] = (
        f'<workbook xmlns="{MAIN}" xmlns:r="{REL}"><sheets>{"".join(sheets)}</sheets>'
        '<calcPr calcId="1"/></workbook>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for name, xml in entries.items():
            z.writestr(name, xml)


def handmade(path):
    package(path, [
        # Shared strings (A1 in style 1) and formula results, a boolean and an error.
        ("worksheet", sheet(
            '<row r="1" spans="1:4"><c r="A1" s="1" t="s"><v>0</v></c>'
            '<c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c>'
            '<c r="D1" t="s"><v>3</v></c></row><row r="2"><c r="A2" t="s"><v>0</v></c>'
            '<c r="E2"><f>1+1</f><v>2</v></c><c r="F2" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>'
            '<c r="G2" t="b"><v>1</v></c><c r="H2" t="e"><v>#N/A</v></c>'
            '<c r="I2"><v>0</v></c></row>')),
        # Sparse cells; a row and cells without r follow the ones before them. 0.1 + 0.2 shows as
        # 0.3 in a text field.
        ("worksheet", sheet(
            '<row r="2"><c r="B2" t="inlineStr"><is><t>b2</t></is></c><c r="AA2"><v>27</v></c>'
            '</row><row><c t="inlineStr"><is><t>a3</t></is></c><c><v>0.30000000000000004</v></c>'
            '</row><row r="12"><c r="AA12" t="inlineStr"><is><t>aa12</t></is></c></row>')),
        # Prefixed element names.
        ("worksheet",
         f'<x:worksheet xmlns:x="{MAIN}"><x:sheetData><x:row r="1"><x:c r="A1" t="inlineStr">'
         '<x:is><x:t>abc</x:t></x:is></x:c><x:c r="B1"><x:v>7</x:v></x:c></x:row>'
         '<x:row r="2"><x:c r="B2"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>'),
        # Rows missing between rows 1 and 4.
        ("worksheet", sheet('<row r="1"><c r="A1"><v>1</v></c></row>'
                            '<row r="4"><c r="B4"><v>4</v></c></row>')),
        # Header texts that are no field names as they are.
        ("worksheet", sheet(
            '<row r="1"><c r="A1" t="inlineStr"><is><t>a.b</t></is></c>'
            '<c r="B1" t="inlineStr"><is><t>コード</t></is></c>'
            '<c r="C1" t="inlineStr"><is><t>コード</t></is></c>'
            '<c r="E1" t="inlineStr"><is><t>[x]</t></is></c></row>'
            '<row r="2"><c r="A2"><v>1</v></c></row>')),
        ("worksheet", sheet("")),
        # Rich text runs; the phonetic reading is no part of the text.
        ("sharedStrings",
         f'<sst xmlns="{MAIN}"><si><t>100-0001</t></si>'
         '<si><r><rPr><b/></rPr><t>千代</t></r><r><t>田区</t></r>'
         '<rPh sb="0" eb="3"><t>チヨダク</t></rPh><phoneticPr fontId="1"/></si>'
         '<si><t xml:space="preserve"> 前後に空白 </t></si>'
         '<si><t>改行_x000D_あり</t></si></sst>'),
    ])


def formulas(path):
    """B1 a formula, C1:C2 one array formula, D1 the anchor of a formula shared with D2."""
    package(path, [
        ("worksheet", sheet(
            '<row r="1"><c r="A1"><v>5</v></c><c r="B1"><f>A1*2</f><v>10</v></c>'
            '<c r="C1"><f t="array" ref="C1:C2">A1:A2*2</f><v>10</v></c>'
            '<c r="D1"><f t="shared" ref="D1:D2" si="0">A1+1</f><v>6</v></c></row>'
            '<row r="2"><c r="A2"><v>7</v></c><c r="B2"><v>1</v></c><c r="C2"><v>14</v></c>'
            '<c r="D2"><f t="shared" si="0"/><v>8</v></c></row>')),
        ("calcChain",
         f'<calcChain xmlns="{MAIN}"><c r="B1" i="1"/><c r="C1" i="1" a="1"/><c r="D1" i="1"/>'
         '<c r="D2"/></calcChain>'),
    ])


POSTAL_FORMAT = "[<=999]000;[<=99999]000-00;000-0000"  # Excel's own 郵便番号 format


def formats(path):
    """住所 A: codes as texts and as numbers shown through their format, one a formula whose
    cached value openpyxl cannot write (added to its XML afterwards). B: remarks."""
    import openpyxl

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "住所"
    rows = [
        ("100-0001", None),      # A2 text
        (600000, "0000000"),     # A3 shown 0600000
        (600000, None),          # A4 shown 600000
        (1000001, "000-0000"),   # A5 shown 100-0001
        (600001, POSTAL_FORMAT),  # A6 shown 060-0001
        ("0600002", None),       # A7 text
        ('="100-"&"0009"', None),  # A8 formula, cached 100-0009
        (1.5, "0000000"),        # A9 shown 0000002, read as 1.5 (not a whole number)
    ]
    ws.append(["郵便番号", "備考"])
    for n, (value, number_format) in enumerate(rows, 2):
        ws.append([value, f"行{n}"])
        if number_format:
            ws.cell(n, 1).number_format = number_format
    wb.save(path)

    part = "xl/worksheets/sheet1.xml"
    with zipfile.ZipFile(path) as z:
        entries = [(info, z.read(info)) for info in z.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in entries:
            if info.filename == part:
                xml = data.decode("utf-8")
                start = xml.index('<c r="A8">')
                cell = xml[start:xml.index("</c>", start)]
                fixed = cell.replace('<c r="A8">', '<c r="A8" t="str">').replace(
                    "<v></v>", "<v>100-0009</v>").replace("<v/>", "<v>100-0009</v>")
                data = xml.replace(cell, fixed).encode("utf-8")
            z.writestr(info, data)


def dump(path):
    import openpyxl

    warnings.simplefilter("ignore")  # the hand-made workbooks have no named cell style
    wb = openpyxl.load_workbook(path)
    for ws in wb.worksheets:
        for cell in (c for row in ws.iter_rows() for c in row):
            if cell.value is None and not cell.has_style:
                continue
            value = cell.value
            if isinstance(value, float) and value.is_integer():
                value = int(value)
            font = ("bold" if cell.font.b else "") + ("italic" if cell.font.i else "")
            fill = cell.fill.fgColor.rgb if cell.fill and cell.fill.fill_type else ""
            fields = [cell.data_type, "" if value is None else str(value), font,
                      cell.number_format, str(fill)]
            line = ws.title + "!" + cell.coordinate + "\t" + "|".join(fields) + "\n"
            sys.stdout.buffer.write(line.encode("utf-8"))


def main():
    commands = {"addresses": addresses, "handmade": handmade, "formulas": formulas,
                "formats": formats, "dump": dump}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](sys.argv[2])


if __name__ == "__main__":
    main()
