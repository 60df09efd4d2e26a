#!/usr/bin/env bash
# The real norvel.exe under Wine against the PostgreSQL server of NORVEL_TEST_PG, through Wine's
# odbc32 and the host's psqlODBC, driven by keyboard only: the connection string typed on the
# last tab, table and field picked, a pair added, a check-only run, the real run; then a second
# run that waits on a lock another session holds, Esc, はい to interrupt, and the status box
# saying everything was rolled back, the data as it was.
#   keyboard_postgres.sh <norvel.exe> <window_probe.exe> [dpi]
# NORVEL_SCREENSHOTS=<folder> keeps a screenshot of each step there. Exit 77 (skipped) without
# NORVEL_TEST_PG, psql, Xvfb, openbox, xdotool or Wine.
set -euo pipefail
norvel_exe=$(realpath "$1")
probe_exe=$(realpath "$2")
dpi=${3:-96}
if [[ -z ${NORVEL_TEST_PG:-} ]] || ! command -v psql >/dev/null; then
  echo "skipped: NORVEL_TEST_PG is not set or psql is missing (scripts/test.sh starts a server)"
  exit 77
fi
shot_prefix=postgres-

# The server's keys, for psql beside the window.
key_of() { sed -n "s/.*[{;]\?$1=\([^;]*\).*/\1/ip" <<<"$NORVEL_TEST_PG" | head -1; }
export PGHOST=$(key_of Server) PGPORT=$(key_of Port) PGDATABASE=$(key_of Database)
export PGUSER=$(key_of Uid) PGPASSWORD=$(key_of Pwd)
# A table of this run's own, named so that its first letter picks it in the list.
table="qkb_${dpi}_$$"
sql() { psql -XAtq -v ON_ERROR_STOP=1 -c "$1"; }
zips() { sql "SELECT string_agg(zip, ',' ORDER BY id) FROM $table"; }

# The session holding the lock is ended by the server: psql waiting in pg_sleep outlives a kill.
locker="norvel_locker_$$"
release_lock() { sql "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity
                      WHERE application_name = '$locker'" >/dev/null; }
drop_table() {
  release_lock 2>/dev/null
  sql "DROP TABLE IF EXISTS $table" 2>/dev/null
}
source "$(dirname "$0")/window_driver.sh"
cleanup_more=drop_table
step "Wine ready"

sql "CREATE TABLE $table (id integer PRIMARY KEY, zip varchar(8), name varchar(20))"
sql "INSERT INTO $table VALUES (1, '1000001', '千代田'), (2, '1000001', '丸の内'), (3, '9999999', '他')"

start_norvel
focus_on $MDB_PATH txtMDBパス
step 'the window is open'

# The last tab: Shift+Tab to the tab strip, Right to その他（ＡＤＯ）, Tab into its box.
keys shift+Tab
focus_on $TABS sst対象
# Its box is shown, and reached by Tab, only on that tab.
keys Right Right Right Tab
focus_on $CONNECTION_STRING txt接続文字列
xdotool type --delay 20 "$NORVEL_TEST_PG"
# The box takes several lines (Enter is a line break in it): Tab to 接続, Space.
keys Tab
focus_on $CMD_CONNECT cmd接続
keys space
focus_on $TABLE cobテーブル名
shot 1-connected
step connected

keys q
wait_for $TABLE "\\[$table\\]" "the table chosen"
focus_on $FIELD cobフィールド名
keys z
wait_for $FIELD '\[zip\]' "the field chosen"

# A pair, as in the SQLite run: back to the old code's box, old, Tab, new, Enter.
keys shift+Tab shift+Tab shift+Tab
focus_on $OLD txt置換元
xdotool type --delay 60 1000001
keys Tab
xdotool type --delay 60 1000009
keys Return
wait_for $LIST '1000001' "the pair in the list"

# Check-only run (Shift+Enter on 開始), then the real run (Alt+G).
keys Tab Tab Tab Tab Tab
focus_on $START cmd開始
keys shift+Return
answer_box '（確認のみ）2 ?件置換されます' "the check-only run's count" 2-checked
wait_for $START $'^[0-9]+\tButton\tenabled' "the window back after the check"
[[ $(zips) == 1000001,1000001,9999999 ]] || fail "the check-only run changed the data: $(zips)"
keys alt+g
answer_box '(^|[^0-9])2 ?件置換しました' "the real run's count" 3-replaced
wait_for $START $'^[0-9]+\tButton\tenabled' "the window back after the run"
[[ $(zips) == 1000009,1000009,9999999 ]] || fail "the run left $(zips)"
step 'check-only run and run through odbc32'

# Another session holds the rows: the next run waits on its lock until Esc and はい.
sql "UPDATE $table SET zip = '1000001' WHERE id IN (1, 2)"
PGAPPNAME=$locker psql -XAtq -c "BEGIN" -c "SELECT id FROM $table FOR UPDATE" \
  -c "SELECT pg_sleep(600)" >/dev/null 2>&1 &
until [[ $(sql "SELECT count(*) FROM pg_locks l JOIN pg_class c ON c.oid = l.relation
              WHERE c.relname = '$table' AND l.mode = 'RowShareLock' AND l.granted") -gt 0 ]]; do
  sleep 0.2
done
keys alt+g
waiting=''
for _ in $(seq 300); do
  waiting=$(sql "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'
                 AND query ILIKE '%$table%'")
  [[ $waiting -gt 0 ]] && break
  sleep 0.2
done
[[ $waiting -gt 0 ]] || fail "the run did not come to wait on the lock"
shot 4-waiting
step 'the run waits on the lock'
keys Escape
answer_box '置換を中断しますか' "the question whether to interrupt" 5-asked
answer_box '中断したため、すべての置換を取り消しました' "the interrupted run's last box" 6-interrupted
wait_for $STATUS '中断したため、すべての置換を取り消しました（ロールバック）。データは何も変わっていません。' \
  "the status box saying the run was rolled back"
wait_for $START $'^[0-9]+\tButton\tenabled' "the window back after the interrupted run"
release_lock
[[ $(zips) == 1000001,1000001,9999999 ]] || fail "the interrupted run left $(zips)"
step 'Esc, はい: interrupted and rolled back'

# 終了 saves the list and ends the program.
keys alt+x
for _ in $(seq 600); do kill -0 "$norvel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$norvel_pid" 2>/dev/null && fail "norvel.exe did not end after 終了"
wait "$norvel_pid" || fail "norvel.exe ended with exit code $?"
norvel_pid=''
echo "norvel.exe at $dpi dpi on PostgreSQL: connected by connection string, check-only run," \
  "run, a run waiting on a lock interrupted with Esc and rolled back"
