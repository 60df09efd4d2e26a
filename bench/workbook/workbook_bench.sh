#!/usr/bin/env bash
# The workbook bench: time and peak memory (/usr/bin/time -v) of a replacement in large .xlsx
# workbooks, norvel-batch's default run against its --plain run, and LibreOffice headless
# doing the same replacement when soffice is installed; workbook_bench then checks that every
# copy changed the same cells. The workbooks are made with openpyxl from the Japan Post CSV
# into a scratch folder, never into the checkout.
#
#   bench/workbook/workbook_bench.sh BIN_DIR [ROWS | BOOK.xlsx]...   (default: 126431 500000)
#
# A number makes a workbook of that many rows; a workbook given by its path (one sheet 住所
# with a field 郵便番号, e.g. one that LibreOffice or Excel saved, with shared strings) is
# used as it is. Time is wall-clock and CPU (user + system): other work on the machine
# stretches the first.
# BIN_DIR holds norvel-batch and workbook_bench (a build with NORVEL_BUILD_BENCH=ON).
# NORVEL_BENCH_CSV names the CSV (default: the one the build unpacked, BIN_DIR/../data/
# jp-postal-2022.csv), NORVEL_BENCH_DIR the scratch folder (default /tmp/norvel-workbook-bench),
# NORVEL_BENCH_BASELINE another norvel-batch to time beside this one; NORVEL_BENCH_PLAIN=0
# and NORVEL_BENCH_LIBREOFFICE=0 leave out the --plain and the LibreOffice runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:?usage: workbook_bench.sh BIN_DIR [ROWS...]}" && pwd)
shift
rows=("$@")
[[ ${#rows[@]} -eq 0 ]] && rows=(126431 500000)
csv=${NORVEL_BENCH_CSV:-$bin/../data/jp-postal-2022.csv}
work=${NORVEL_BENCH_DIR:-/tmp/norvel-workbook-bench}
python=/usr/bin/python3
mkdir -p "$work"

"$python" "$here/make_pairs.py" "$csv" 1000 "$work/pairs.csv"

# time_run NAME COMMAND...: runs it, prints "NAME|wall s|CPU s|MiB" and keeps its output.
time_run() {
  local name=$1
  shift
  /usr/bin/time -v -o "$work/$name.time" "$@" >"$work/$name.out" 2>&1 || {
    echo "$name failed:" >&2
    tail -5 "$work/$name.out" >&2
    return 1
  }
  local seconds cpu kib
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
    n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' \
    "$work/$name.time")
  cpu=$(awk -F': ' '/(User|System) time \(seconds\)/ {s += $2} END {print s}' "$work/$name.time")
  kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/$name.time")
  printf '%s|%.1f|%.1f|%d\n' "$name" "$seconds" "$cpu" $((kib / 1024))
}

lo_profile() {
  local profile=$work/lo-profile
  if [[ ! -d $profile/user/basic/Standard ]]; then
    soffice --headless "-env:UserInstallation=file://$profile" --terminate_after_init \
      >/dev/null 2>&1
  fi
  "$python" - "$here/ReplaceCodes.bas" "$profile/user/basic/Standard/Module1.xba" <<'PY'
import sys
from xml.sax.saxutils import escape
code = open(sys.argv[1], encoding="utf-8").read()
with open(sys.argv[2], "w", encoding="utf-8") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<script:module xmlns:script="http://openoffice.org/2000/script" '
            'script:name="Module1" script:language="StarBasic">'
            + escape(code, {'"': "&quot;", "'": "&apos;"}) + "</script:module>\n")
PY
  echo "$profile"
}

results=()
for n in "${rows[@]}"; do
  if [[ $n == *.xlsx ]]; then
    book=$(realpath "$n")
    n=$(basename "$n" .xlsx)
  else
    book=$work/book-$n.xlsx
    [[ -f $book ]] || "$python" "$here/make_workbook.py" "$csv" "$n" "$book"
  fi
  size=$(du -m "$book" | cut -f1)
  copies=()
  run_norvel() {
    local name=$1 program=$2
    shift 2
    cp "$book" "$work/$name.xlsx"
    results+=("$n|$size|$(time_run "$name" "$program" --xls "$work/$name.xlsx" --table '住所$' \
      --field 郵便番号 --pairs "$work/pairs.csv" --quiet "$@")")
    copies+=("$work/$name.xlsx")
  }
  run_norvel "norvel-$n" "$bin/norvel-batch"
  [[ ${NORVEL_BENCH_PLAIN:-1} == 0 ]] || run_norvel "norvel-plain-$n" "$bin/norvel-batch" --plain
  [[ -z ${NORVEL_BENCH_BASELINE:-} ]] || run_norvel "baseline-$n" "$NORVEL_BENCH_BASELINE"
  if [[ ${NORVEL_BENCH_LIBREOFFICE:-1} != 0 ]] && command -v soffice >/dev/null; then
    profile=$(lo_profile)
    cp "$book" "$work/libreoffice-$n.xlsx"
    results+=("$n|$size|$(time_run "libreoffice-$n" soffice --headless \
      "-env:UserInstallation=file://$profile" \
      "macro:///Standard.Module1.ReplaceCodes(\"$work/libreoffice-$n.xlsx\",\"$work/pairs.csv\",0)")")
    copies+=("$work/libreoffice-$n.xlsx")
  fi
  "$bin/workbook_bench" "$book" '住所$' 郵便番号 "${copies[@]}"
done

echo
echo "| workbook | .xlsx MB | run | wall s | CPU s | peak RSS MiB |"
echo "|---|---:|---|---:|---:|---:|"
for line in "${results[@]}"; do
  IFS='|' read -r n size name seconds cpu mib <<<"$line"
  echo "| $n | $size | ${name%-"$n"} | $seconds | $cpu | $mib |"
done
