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
for tool in Xvfb openbox xdotool wine; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (the window test needs Xvfb, openbox, xdotool and Wine)"
    exit 77
  fi
done

work=$(mktemp -d)
folder="$work/郵便番号置換ツール"
mkdir -p "$folder"
shots=${NORVEL_SCREENSHOTS:-}
[[ -n $shots ]] && mkdir -p "$shots"
title='郵便番号置換ユーティリティ'

# A prefix of the window tests' own beside the build (made once, kept): its DPI and fonts are
# set here, not in the prefix the other tests share.
prefix=${NORVEL_WINDOW_PREFIX:-$(dirname "$norvel_exe")/../wine-window}
mkdir -p "$prefix"
export WINEPREFIX=$(realpath "$prefix") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
# An operator's Windows is Japanese: with a Japanese locale Wine picks Japanese fonts for its own
# texts (message boxes) as well.
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then export LC_ALL=ja_JP.UTF-8; fi
xvfb_pid='' wm_pid='' norvel_pid=''
cleanup() {
  [[ -n $norvel_pid ]] && kill "$norvel_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "keyboard run, ${SECONDS}s: $*"; }

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
openbox >/dev/null 2>&1 &
wm_pid=$!

if [[ ! -f $WINEPREFIX/.norvel-window ]]; then
  wineboot --init >/dev/null 2>&1
  # Under C.UTF-8 Wine does not map the Japanese Windows fonts by itself.
  subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  for face in 'MS UI Gothic' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Tahoma'; do
    wine reg add "$subst" /v "$face" /t REG_SZ /d 'Noto Sans CJK JP' /f >/dev/null 2>&1
  done
  for face in 'ＭＳ ゴシック' 'MS Gothic'; do
    wine reg add "$subst" /v "$face" /t REG_SZ /d 'Noto Sans Mono CJK JP' /f >/dev/null 2>&1
  done
  touch "$WINEPREFIX/.norvel-window"
fi
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w

step "Wine ready"
cp "$norvel_exe" "$folder/norvel.exe"
python3 - "$folder/住所.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE customers (zip TEXT, name TEXT)")
db.executemany("INSERT INTO customers VALUES (?, ?)",
               [("1000001", "千代田"), ("1000001", "丸の内"), ("1000002", "皇居外苑"), ("9999999", "他")])
db.commit()
PY

fail() {
  echo "FAILED: $*" >&2
  echo "--- the window:" >&2
  probe >&2 || true
  exit 1
}
probe() { wine "$probe_exe" NorvelFrmNorvel "$title" 2>/dev/null | tr -d '\r'; }
# The message box the window shows, if any.
message_box() { wine "$probe_exe" '#32770' "$title" 2>/dev/null | tr -d '\r'; }
# Waits for a message box saying what the pattern matches, and answers it with Enter.
answer_box() {
  local pattern=$1 what=$2 picture=$3 until=$((SECONDS + 60))
  while ((SECONDS < until)); do
    if message_box | grep -Eq -- "$pattern"; then
      shot "$picture"
      keys Return
      return 0
    fi
    sleep 0.2
  done
  echo "--- the message box:" >&2
  message_box >&2 || true
  fail "$what"
}
# The control with the inventory's identifier (1000 + its place in the inventory).
line_of() { probe | awk -F'\t' -v id="$1" '$1 == id'; }
# Waits, up to a minute, for a control's line to match a pattern (an extended regex).
wait_for() {
  local id=$1 pattern=$2 what=$3 until=$((SECONDS + 60))
  while ((SECONDS < until)); do
    line_of "$id" | grep -Eq -- "$pattern" && return 0
    sleep 0.2
  done
  fail "$what (control $id: $(line_of "$id"))"
}
focus_on() { wait_for "$1" $'\tfocused\t' "the focus on $2"; }
keys() { xdotool key --delay 80 "$@"; }
shot() {
  [[ -z $shots ]] && return 0
  import -window root "$shots/$1-${dpi}dpi.png" 2>/dev/null ||
    echo "no screenshot of $1: ImageMagick's import is missing" >&2
}

readonly MDB_PATH=1003 CMD_CONNECT=1012 LIST=1014 OLD=1015 NEW=1016 TABLE=1023 FIELD=1025
readonly STATUS=1026 START=1027 QUIT=1028

(cd "$folder" && exec wine norvel.exe) >/dev/null 2>&1 &
norvel_pid=$!
window=''
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "the window did not open"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
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
