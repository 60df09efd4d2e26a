#!/usr/bin/python3
"""Writes the test workbooks with openpyxl and reads workbooks back for the tests.

  workbook_fixtures.py addresses OUT.xlsx   the address book workbook (three sheets)
  workbook_fixtures.py dump IN.xlsx         one line per cell: sheet, cell, type, value, style
"""
import sys

import openpyxl
from openpyxl.styles import Font, PatternFill


def addresses(path):
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
    codes["A1"] = "100-0001"
    codes["B1"] = 1000001
    codes["A2"] = "100-0003"
    codes["B2"] = 1000003
    codes["A3"] = "0600001"
    codes["B3"] = 600001

    totals = wb.create_sheet("集計")
    totals["A1"] = "件数"
    totals["A2"] = 3
    totals["B2"] = "=A2*2"
    wb.save(path)


def dump(path):
    wb = openpyxl.load_workbook(path)
    lines = []
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is None and not cell.has_style:
                    continue
                value = cell.value
                if isinstance(value, float) and value.is_integer():
                    value = int(value)
                fill = cell.fill.fgColor.rgb if cell.fill and cell.fill.fill_type else ""
                lines.append("\t".join([
                    ws.title, cell.coordinate, cell.data_type,
                    "" if value is None else str(value),
                    ("bold" if cell.font.b else "") + ("italic" if cell.font.i else ""),
                    cell.number_format, str(fill)]))
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


def main():
    command, path = sys.argv[1], sys.argv[2]
    if command == "addresses":
        addresses(path)
    elif command == "dump":
        dump(path)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
