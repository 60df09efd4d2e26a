#!/usr/bin/env bash
# Writes the committed .xls fixtures: addresses_xlwt.xls by python3-xlwt (xls_fixtures.py), and
# the same workbook as LibreOffice and Gnumeric write it, each laying out records its own way
# (LibreOffice also stores the formulas' results and summary information streams).
#   tests/xls/make_fixtures.sh   (needs python3-xlwt, libreoffice-calc-nogui, gnumeric)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/xls_fixtures.py" addresses "$here/fixtures/addresses_xlwt.xls"
cp "$here/fixtures/addresses_xlwt.xls" "$work/in.xls"
HOME=$work soffice --headless --convert-to xls:"MS Excel 97" --outdir "$work/lo" "$work/in.xls" >/dev/null
cp "$work/lo/in.xls" "$here/fixtures/addresses_libreoffice.xls"
ssconvert -T Gnumeric_Excel:excel_biff8 "$work/in.xls" "$here/fixtures/addresses_gnumeric.xls" 2>/dev/null
