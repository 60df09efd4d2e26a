#!/usr/bin/python3
"""Writes a large address workbook for the workbook bench with openpyxl's write-only mode.

  make_workbook.py CSV ROWS OUT.xlsx

One sheet 住所 with the CSV's header and its rows repeated until ROWS data rows; the postal
codes are text, as a user's address list holds them. openpyxl writes the texts inline.
"""
import csv
import sys

import openpyxl


def main(csv_path, rows, out):
    with open(csv_path, encoding="utf-8") as f:
        reader = csv.reader(f)
        header = next(reader)
        data = list(reader)
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("住所")
    ws.append(header)
    for n in range(rows):
        ws.append(data[n % len(data)])
    wb.save(out)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
