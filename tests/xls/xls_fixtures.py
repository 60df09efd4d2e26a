#!/usr/bin/env python3
"""Writes the .xls fixtures of tests/xls with python3-xlwt; the committed files in fixtures/
came from this script (xlwt), LibreOffice, Gnumeric and libgsf (see make_fixtures.sh).

    xls_fixtures.py addresses OUT.xls
    xls_fixtures.py macros DIR        a VBA project's storage, as files under DIR/_VBA_PROJECT_CUR
"""
import os
import random
import struct
import sys

import xlwt
from xlwt.BIFFRecords import SharedStringTable

# Strings written with a phonetic (furigana) block, as Japanese Excel keeps them: reading by text.
READINGS = {f"名前{i}": f"ナマエ{i}" for i in range(1, 6)}


def _phonetic(text, reading):
    """ExtRst: the reading of the whole text in katakana."""
    units = reading.encode("utf-16-le")
    body = struct.pack("<HH", 0, 0)  # Phs: font, katakana
    body += struct.pack("<HHH", 1, len(reading), len(reading)) + units  # one run, its text
    body += struct.pack("<HHH", 0, 0, len(text))  # PhRuns: the reading covers every character
    return struct.pack("<HH", 1, len(body)) + body


_plain_add = SharedStringTable._add_to_sst


def _add_with_reading(self, s):
    reading = READINGS.get(s)
    if reading is None:
        return _plain_add(self, s)
    ext = _phonetic(s, reading)
    chars = s.encode("utf-16-le")
    self._save_atom(struct.pack("<HBI", len(s), 0x05, len(ext)) + chars[:2])
    self._save_splitted(chars[2:], True)
    for i in range(0, len(ext), 2):
        self._save_atom(ext[i:i + 2])


SharedStringTable._add_to_sst = _add_with_reading

PREFECTURES = ["北海道", "青森県", "東京都", "神奈川県", "大阪府", "京都府", "福岡県", "沖縄県"]


def address(i):
    # Long and different, so that the shared strings take more than one record.
    return f"{PREFECTURES[i % len(PREFECTURES)]}千代田区丸の内{i}丁目{i * 7 % 13}番{i % 9}号ビル{i}階"


def addresses(path):
    book = xlwt.Workbook(encoding="utf-8")
    bold = xlwt.easyxf("font: bold on; pattern: pattern solid, fore_colour light_yellow")
    code_format = xlwt.easyxf("font: colour blue", num_format_str="0000000")
    text_style = xlwt.easyxf("font: italic on")

    sheet = book.add_sheet("住所録")
    for column, name in enumerate(["郵便番号", "旧番号", "住所", "計算", "数"]):
        sheet.write(0, column, name, bold)
    for i in range(1, 401):
        code = 1000000 + i
        sheet.write(i, 0, f"{code // 10000:03d}-{code % 10000:04d}", text_style)
        sheet.write(i, 1, code, code_format)
        sheet.write(i, 2, address(i))
        sheet.write(i, 3, xlwt.Formula(f"B{i + 1}+1"))
        sheet.write(i, 4, i * 1.5)
    # A formula in the code column: a pair for its value stops the run.
    sheet.write(401, 0, xlwt.Formula('"999-"&"0001"'))
    sheet.write(401, 1, 9990001, code_format)

    other = book.add_sheet("Sheet2")
    other.write(0, 0, "コード")
    other.write(0, 1, "名前")
    for i in range(1, 6):
        other.write(i, 0, f"{1000000 + i}")
        other.write(i, 1, f"名前{i}")
    # Formatting runs inside one cell's text.
    other.write_rich_text(5, 2, ["太字", ("と赤", xlwt.easyfont("colour red"))])
    # A cell without a value in the range, and a number in a text column.
    other.write(6, 1, "")
    other.write(7, 0, 1000009)
    # Row 9 has no cell at all; row 10 closes the range below it.
    other.write(9, 0, "1000010")
    book.save(path)


def macros(directory):
    """The storage Excel keeps a workbook's macros in. The module streams hold what a reader need
    not understand (their compressed source is opaque to Norvel); one is past the 4,096 bytes
    below which a stream lives in the mini stream, so both kinds of sector chain are kept."""
    root = os.path.join(directory, "_VBA_PROJECT_CUR")
    os.makedirs(os.path.join(root, "VBA"), exist_ok=True)
    noise = random.Random(27)

    def write(name, data):
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)

    write("PROJECT", (
        'ID="{5F3A9C21-7B4E-4D2A-9E61-2C8B0F3D7A14}"\r\nDocument=ThisWorkbook/&H00000000\r\n'
        'Module=Module1\r\nName="VBAProject"\r\nHelpContextID="0"\r\n'
        'VersionCompatible32="393222000"\r\n\r\n[Host Extender Info]\r\n'
        '&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n\r\n'
        '[Workspace]\r\nThisWorkbook=0, 0, 0, 0, C\r\nModule1=26, 26, 1008, 487, Z\r\n'
    ).encode("ascii"))
    write("PROJECTwm", b"".join(
        n.encode("ascii") + b"\0" + n.encode("utf-16-le") + b"\0\0"
        for n in ("ThisWorkbook", "Module1")) + b"\0\0")
    write("VBA/_VBA_PROJECT", bytes([0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x03, 0x00]))
    write("VBA/dir", bytes(noise.randrange(256) for _ in range(1500)))
    source = ('Attribute VB_Name = "Module1"\r\nSub ReplaceCodes()\r\n'
              '    MsgBox "郵便番号"\r\nEnd Sub\r\n').encode("cp932")
    write("VBA/Module1", bytes(noise.randrange(256) for _ in range(5000)) + source)
    write("VBA/ThisWorkbook", bytes(noise.randrange(256) for _ in range(900)))


if __name__ == "__main__":
    {"addresses": addresses, "macros": macros}[sys.argv[1]](sys.argv[2])
