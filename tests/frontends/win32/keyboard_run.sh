#!/usr/bin/env bash
# The real norvel.exe under Wine, driven by keyboard only as an operator would: a portable copy in
# a folder named 郵便番号置換ツール, connected to an SQLite file there, table and field picked, two
# pairs added, a check-only run, the real run, 終了; then the data and the saved pair list are
# checked. The window is read through window messages (window_probe.exe) and keys come from
# xdotool on Xvfb with openbox.
#   keyboard_run.sh <norvel.exe> <window_probe.exe> [dpi]
# NORVEL_SCREENSHOTS=<folder> keeps a screenshot of each step there. Exit 77 (skipped) when Xvfb,
# openbox, xdotool or Wine are missing.
set -euo pipefail
norvel_exe=$(realpath "$1")
probe_exe=$(realpath "$2")
dpi=${3:-96}
source "$(dirname "$0")/window_driver.sh"
step "Wine ready"
python3 - "$folder/住所.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE customers (zip TEXT, name TEXT)")
db.executemany("INSERT INTO customers VALUES (?, ?)",
               [("1000001", "千代田"), ("1000001", "丸の内"), ("1000002", "皇居外苑"), ("9999999", "他")])
db.commit()
PY

start_norvel
focus_on $MDB_PATH txtMDBパス
shot 1-start
step 'the window is open, the focus in txtMDBパス'

# Connect: the file's name, Enter.
xdotool type --delay 60 '住所.db' 2>/dev/null || true
if ! line_of $MDB_PATH | grep -q '住所\.db'; then
  # xdotool cannot type every character into Wine; the file is reached by its short form.
  keys ctrl+a BackSpace
  cp "$folder/住所.db" "$folder/target.db"
  rm "$folder/住所.db"
  xdotool type --delay 60 'target.db'
  db="$folder/target.db"
else
  db="$folder/住所.db"
fi
keys Return
focus_on $TABLE cobテーブル名
shot 2-connected
step connected

# Table and field by their first letters.
keys c
wait_for $TABLE '\[customers\]' "the table chosen"
focus_on $FIELD cobフィールド名
keys z
wait_for $FIELD '\[zip\]' "the field chosen"

# The pairs: Shift+Tab back to the old code's box in the inventory's tab order (cobテーブル名,
# past the disabled 削除 and 追加, txt置換先, txt置換元), then old, Tab, new, Enter.
keys shift+Tab shift+Tab shift+Tab
focus_on $OLD txt置換元
xdotool type --delay 60 1000001
keys Tab
focus_on $NEW txt置換先
xdotool type --delay 60 1000009
keys Return
wait_for $LIST '1000001' "the first pair in the list"
focus_on $OLD txt置換元
xdotool type --delay 60 1000002
keys Tab
xdotool type --delay 60 1000008
keys Return
wait_for $LIST '1000002' "the second pair in the list"
shot 3-pairs
step 'two pairs added'

# Check-only run: Tab to 開始 (txt置換先, cobテーブル名, cobフィールド名, txt状況, 開始), Shift+Enter.
keys Tab Tab Tab Tab Tab
focus_on $START cmd開始
keys shift+Return
answer_box '（確認のみ）3 ?件置換されます' "the check-only run's count" 4-checked
wait_for $START $'^[0-9]+\tButton\tenabled' "the window back after the check"
python3 - "$db" <<'PY' || fail "the check-only run changed the data"
import sqlite3, sys
rows = sqlite3.connect(sys.argv[1]).execute("SELECT zip FROM customers ORDER BY rowid").fetchall()
assert [r[0] for r in rows] == ["1000001", "1000001", "1000002", "9999999"], rows
PY
step 'check-only run: counted, nothing changed'

# The real run: Alt+G.
keys alt+g
answer_box '(^|[^0-9])3 ?件置換しました' "the real run's count" 5-replaced
wait_for $START $'^[0-9]+\tButton\tenabled' "the window back after the run"
step 'run: replaced'

# 終了 by its access key saves the list and ends the program.
keys alt+x
for _ in $(seq 600); do kill -0 "$norvel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$norvel_pid" 2>/dev/null && fail "norvel.exe did not end after 終了"
wait "$norvel_pid" || fail "norvel.exe ended with exit code $?"
norvel_pid=''

python3 - "$db" <<'PY' || fail "the data after the run"
import sqlite3, sys
rows = sqlite3.connect(sys.argv[1]).execute("SELECT zip, name FROM customers ORDER BY rowid").fetchall()
assert rows == [("1000009", "千代田"), ("1000009", "丸の内"), ("1000008", "皇居外苑"), ("9999999", "他")], rows
PY
[[ -f $folder/norvel.csv ]] || fail "終了 saved no pair list beside the program"
grep -q '1000001' "$folder/norvel.csv" && grep -q '1000008' "$folder/norvel.csv" ||
  fail "the saved pair list: $(cat "$folder/norvel.csv")"
echo "norvel.exe at $dpi dpi: connected, two pairs, check-only run, run, 終了 saved the list"
