#!/usr/bin/env python3
"""Reads .xls files back for tests/xls with python3-xlrd (another reader than Norvel's).

    xls_check.py cells BOOK.xls          every cell: sheet, row, column, type, value, format
    xls_check.py diff OLD.xls NEW.xls    what differs between two files beyond the Workbook
                                         stream's cell records: other streams, and records
    xls_check.py streams BOOK.xls        every stream's path and size
"""
import struct
import sys

import xlrd
from xlrd import compdoc

# Fixed up when records move (and ROW's column span when a cell is added to a row).
POSITIONS = {0x0085, 0x020B, 0x00D7, 0x00FC, 0x003C, 0x00FF, 0x0208}
CELLS = {0x00FD, 0x0204, 0x00D6, 0x0203, 0x027E, 0x00BD, 0x0205, 0x0201, 0x00BE}


def cells(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    for sheet in book.sheets():
        for row in range(sheet.nrows):
            for column in range(sheet.ncols):
                cell = sheet.cell(row, column)
                xf = book.xf_list[cell.xf_index]
                code = book.format_map[xf.format_key].format_str
                font = book.font_list[xf.font_index]
                value = repr(cell.value) if cell.ctype != xlrd.XL_CELL_EMPTY else ""
                print(f"{sheet.name}\t{row}\t{column}\t{cell.ctype}\t{value}\t{code}\t"
                      f"{int(font.bold)}{int(font.italic)}{font.colour_index}")


def streams(path):
    with open(path, "rb") as f:
        doc = compdoc.CompDoc(f.read(), logfile=open("/dev/null", "w"))
    found = {}
    for entry in doc.dirlist:
        if entry.etype != 2:
            continue
        names, parent = [entry.name], entry.parent
        while parent > 0:
            names.insert(0, doc.dirlist[parent].name)
            parent = doc.dirlist[parent].parent
        found["/".join(names)] = doc.get_named_stream("/".join(names))
    return doc, found


def records(data, offsets=False):
    out, offset = [], 0
    while offset + 4 <= len(data):
        kind, size = struct.unpack_from("<HH", data, offset)
        record = (kind, data[offset + 4:offset + 4 + size])
        out.append((offset,) + record if offsets else record)
        offset += 4 + size
    return out


def wrong_positions(stream):
    """The stream positions that do not point where they should."""
    at = {offset: (kind, data) for offset, kind, data in records(stream, True)}
    wrong = []
    for offset, (kind, data) in at.items():
        if kind == 0x0085 and at.get(struct.unpack_from("<I", data)[0], (0,))[0] != 0x0809:
            wrong.append("BOUNDSHEET8")
        if kind == 0x020B:
            for i in range(16, len(data) - 3, 4):
                if at.get(struct.unpack_from("<I", data, i)[0], (0,))[0] != 0x00D7:
                    wrong.append("INDEX")
        if kind == 0x00D7 and len(data) >= 4:
            first_row = offset - struct.unpack_from("<I", data)[0]
            if at.get(first_row, (0,))[0] != 0x0208:
                wrong.append("DBCELL row")
                continue
            target = first_row + 20
            for i in range(4, len(data) - 1, 2):
                step = struct.unpack_from("<H", data, i)[0]
                target += step
                if step and at.get(target, (0,))[0] not in CELLS | {0x0006}:
                    wrong.append("DBCELL cell")
        if kind == 0x00FF:
            for i in range(2, len(data) - 7, 8):
                position, within = struct.unpack_from("<IH", data, i)
                if at.get(position - within, (0,))[0] not in (0x00FC, 0x003C):
                    wrong.append("EXTSST")
    return sorted(set(wrong))


def diff(old_path, new_path):
    old_doc, old_streams = streams(old_path)
    new_doc, new_streams = streams(new_path)
    tree = lambda doc: [(e.name, e.etype, e.colour, e.left_DID, e.right_DID, e.root_DID, e.tsinfo)
                        for e in doc.dirlist if e.etype != 0]
    if tree(old_doc) != tree(new_doc):
        print("directory differs")
    for name in sorted(set(old_streams) | set(new_streams)):
        if name == "Workbook":
            continue
        if old_streams.get(name) != new_streams.get(name):
            print(f"stream {name} differs")
    for what in wrong_positions(new_streams["Workbook"]):
        if what not in wrong_positions(old_streams["Workbook"]):
            print(f"{what} positions wrong")
    old_records = records(old_streams["Workbook"])
    new_records = [r for r in records(new_streams["Workbook"])]
    # Records other than cells and positions, in order, must be the same.
    strip = lambda rs: [r for r in rs if r[0] not in POSITIONS | CELLS]
    if strip(old_records) != strip(new_records):
        print("records differ")
    # The table's strings keep their bytes (phonetic runs included); new ones follow them.
    table = lambda rs: b"".join(
        d for i, (kind, d) in enumerate(rs)
        if kind == 0x00FC or (kind == 0x003C and any(k == 0x00FC for k, _ in rs[max(0, i - 200):i])))
    old_table, new_table = table(old_records)[8:], table(new_records)[8:]
    if not new_table.startswith(old_table):
        print("shared strings differ")
    changed = [r for r in new_records if r[0] in CELLS and r not in old_records]
    print(f"changed cell records {len(changed)}")


if __name__ == "__main__":
    if sys.argv[1] == "cells":
        cells(sys.argv[2])
    elif sys.argv[1] == "streams":
        for name, data in sorted(streams(sys.argv[2])[1].items()):
            print(f"{name}\t{len(data)}")
    else:
        diff(sys.argv[2], sys.argv[3])
