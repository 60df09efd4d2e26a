#!/usr/bin/env bash
# Writes the committed .xls fixtures: addresses_xlwt.xls by python3-xlwt (xls_fixtures.py), and
# the same workbook as LibreOffice and Gnumeric write it, each laying out records its own way
# (LibreOffice also stores the formulas' results and summary information streams), and
# macros_gsf.xls: xlwt's Workbook stream beside a VBA project's storage, in a compound file that
# libgsf lays out (LibreOffice and Gnumeric both drop a VBA project they cannot load).
#   tests/xls/make_fixtures.sh   (needs python3-xlwt, libreoffice-calc-nogui, gnumeric, libgsf-bin)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/xls_fixtures.py" addresses "$here/fixtures/addresses_xlwt.xls"
cp "$here/fixtures/addresses_xlwt.xls" "$work/in.xls"
HOME=$work soffice --headless --convert-to xls:"MS Excel 97" --outdir "$work/lo" "$work/in.xls" >/dev/null
cp "$work/lo/in.xls" "$here/fixtures/addresses_libreoffice.xls"
ssconvert -T Gnumeric_Excel:excel_biff8 "$work/in.xls" "$here/fixtures/addresses_gnumeric.xls" 2>/dev/null
mkdir "$work/macros"
/usr/bin/python3 "$here/xls_fixtures.py" macros "$work/macros"
(cd "$work/macros" && gsf cat "$here/fixtures/addresses_xlwt.xls" Workbook >Workbook &&
  gsf createole "$here/fixtures/macros_gsf.xls" Workbook _VBA_PROJECT_CUR >/dev/null 2>&1)
