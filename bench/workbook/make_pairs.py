#!/usr/bin/python3
"""Writes a pair list for the workbook bench: COUNT codes spread over the CSV's codes, each to
a code that is no old code of the list (so no pair feeds another).

  make_pairs.py CSV COUNT OUT.csv
"""
import csv
import sys


def main(csv_path, count, out):
    with open(csv_path, encoding="utf-8") as f:
        reader = csv.reader(f)
        next(reader)
        codes = sorted({row[0] for row in reader})
    step = len(codes) // count
    olds = [codes[i * step] for i in range(count)]
    taken = set(olds)
    with open(out, "w", newline="") as f:
        for old in olds:
            new = "9" + old[1:]
            while new in taken:
                new = str(int(new) + 1).zfill(7)
            taken.add(new)
            f.write(f"{old},{new}\r\n")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
