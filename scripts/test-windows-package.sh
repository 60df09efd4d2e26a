#!/usr/bin/env bash
# The Windows packages tried under Wine as a user would: the installer run silently (/S) without
# administrator rights, the installed norvel-batch started on an SQLite file in a Japanese
# folder (the data checked), in Japanese under a Japanese locale and leaving cmd.exe's code page
# as it was, the Start-menu entry and the "Apps & features" entry checked, the installed copy's
# pair list read from %APPDATA%\norvel, then the silent uninstall, which removes what it
# installed and keeps a pair list the user saved beside the programs; the portable zip unpacked
# into a Japanese folder and started, its pair list beside the program.
#   scripts/test-windows-package.sh build-mingw
# test-windows.sh can call it after its own tests; the prefix is <build>/wine-package.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${1:?usage: test-windows-package.sh <mingw build dir>}")
SECONDS=0

mapfile -t packages < <(bash scripts/windows-package.sh "$build_dir")
setup=${packages[0]}
portable=${packages[1]}
echo "test-windows-package: $(basename "$setup") $(du -k "$setup" | cut -f1) KB," \
  "$(basename "$portable") $(du -k "$portable" | cut -f1) KB"

export WINEPREFIX="$build_dir/wine-package" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wineboot --init >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT

fail() {
  echo "test-windows-package: FAILED: $*" >&2
  exit 1
}
# The programs under test start through wine-run.sh, which starts again what Wine failed to start.
wine_run() { bash scripts/wine-run.sh "$@"; }
windows_path() { winepath -w "$1" 2>/dev/null; }
unix_path() { winepath -u "$1" 2>/dev/null; }
# A Windows variable of the prefix's user, as cmd.exe expands it.
windows_variable() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }

work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

# Install, into a prefix an earlier try may have used: the pair list its uninstall kept would
# win over %APPDATA%'s below.
install_dir=$(unix_path "$(windows_variable LOCALAPPDATA)\\Programs\\norvel")
rm -f "$install_dir/norvel-batch.csv"
wine "$setup" /S
wineserver -w
start_menu=$(unix_path "$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
for file in norvel-batch.exe norvel-pairs.exe README.txt norvel-installed.txt uninstall.exe; do
  [[ -f $install_dir/$file ]] || fail "not installed: $install_dir/$file"
done
[[ -f $start_menu/郵便番号置換ユーティリティ.lnk ]] || fail "no Start-menu entry in $start_menu"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\norvel'
wine reg query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
  fail "no uninstall entry under $key"

# Start it: a real run on a database and a pair list in a Japanese folder.
data="$work/郵便番号置換ツール"
mkdir -p "$data"
python3 - "$data/住所.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executescript("CREATE TABLE 住所(郵便番号 TEXT, 町域 TEXT);"
                 "INSERT INTO 住所 VALUES ('1000001','千代田'),('1000001','千代田'),('0600000','札幌');")
db.commit()
PY
printf '1000001,1000099\r\n' | iconv -f UTF-8 -t CP932 >"$data/置換.csv"
batch="$install_dir/norvel-batch.exe"
output=$(wine_run "$batch" --db "$(windows_path "$data/住所.sqlite")" --table 住所 --field 郵便番号 \
  --pairs "$(windows_path "$data/置換.csv")" --quiet 2>&1) || fail "the installed norvel-batch failed: $output"
rows=$(python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(
  \"SELECT group_concat(郵便番号) FROM (SELECT 郵便番号 FROM 住所 ORDER BY rowid)\").fetchone()[0])" \
  "$data/住所.sqlite")
[[ $rows == 1000099,1000099,0600000 ]] || fail "the run left $rows"

# Without --pairs the installed copy reads its list from %APPDATA%\norvel, though its own
# folder is writable: the installer's marker says it is installed.
app_data_list=$(unix_path "$(windows_variable APPDATA)\\norvel\\norvel-batch.csv")
mkdir -p "$(dirname "$app_data_list")"
printf '1000099,1000100\r\n' >"$app_data_list"
output=$(wine_run "$batch" --db "$(windows_path "$data/住所.sqlite")" --table 住所 --field 郵便番号 \
  --quiet 2>&1) || fail "the installed norvel-batch did not read %APPDATA%\\norvel: $output"
rows=$(python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(
  \"SELECT group_concat(郵便番号) FROM (SELECT 郵便番号 FROM 住所 ORDER BY rowid)\").fetchone()[0])" \
  "$data/住所.sqlite")
[[ $rows == 1000100,1000100,0600000 ]] || fail "the run with the %APPDATA% list left $rows"
rm "$app_data_list"

# Japanese under a Japanese locale, with the Windows words; English under C.
help=$(LANG=ja_JP.UTF-8 LC_ALL='' wine_run "$batch" --help)
grep -q '^使い方: norvel-batch' <<<"$help" || fail "the help is not Japanese under ja_JP"
grep -q '%APPDATA%\\norvel\\norvel-batch.csv' <<<"$help" || fail "the help has no %APPDATA%"
grep -q 'Ctrl+Break' <<<"$help" || fail "the help has no Ctrl+Break"
grep -q 'XDG_CONFIG_HOME\|SIGTERM' <<<"$help" && fail "the help speaks of Linux"
help=$(LC_ALL=C wine_run "$batch" --help)
grep -q '^Usage: norvel-batch' <<<"$help" || fail "the help is not English under C"
usage=$(LANG=ja_JP.UTF-8 LC_ALL='' wine_run "$batch" --tabel x 2>&1 || true)
grep -q '詳しくは --help を付けて実行してください。' <<<"$usage" || fail "usage errors are not Japanese: $usage"

# cmd.exe's code page as it was, after a run and after a usage error. Wine gives cmd.exe a
# console only on a terminal, hence script(1).
# norvel-pairs shares the start-up that keeps them.
pairs_program=$(windows_path "$install_dir/norvel-pairs.exe")
printf '@echo off\r\nchcp 932 >nul\r\n"%s" --version >nul\r\n"%s" --nonsense 2>nul\r\n"%s" --version >nul\r\n"%s" --nonsense 2>nul\r\nchcp\r\n' \
  "$(windows_path "$batch")" "$(windows_path "$batch")" "$pairs_program" "$pairs_program" \
  >"$work/codepage.bat"
page=$(cd "$work" && script -qec "wine cmd /c codepage.bat" /dev/null </dev/null | tr -d '\r' |
  sed -n 's/.*Active code page: \([0-9]*\).*/\1/p' | tail -1)
[[ $page == 932 ]] ||
  fail "cmd.exe's code page after norvel-batch and norvel-pairs: ${page:-none} (932 before)"

# Uninstall: what was installed goes, the user's pair list stays.
printf '1000001,1000002\r\n' >"$install_dir/norvel-batch.csv"
wine "$install_dir/uninstall.exe" /S
wineserver -w
for file in norvel-batch.exe norvel-pairs.exe norvel.exe README.txt norvel-installed.txt \
  uninstall.exe; do
  [[ ! -e $install_dir/$file ]] || fail "left after the uninstall: $install_dir/$file"
done
[[ ! -e $start_menu/郵便番号置換ユーティリティ.lnk ]] || fail "the Start-menu entry stayed"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry stayed"
[[ $(cat "$install_dir/norvel-batch.csv") == $'1000001,1000002\r' ]] ||
  fail "the uninstall lost the user's pair list"
rm "$install_dir/norvel-batch.csv"

# The portable zip, unpacked into a Japanese folder.
unzip -q "$portable" -d "$work/ポータブル"
portable_batch=$(ls "$work"/ポータブル/norvel-*/norvel-batch.exe)
version=$(wine_run "$portable_batch" --version) || fail "the portable norvel-batch does not start"
grep -q '^norvel-batch ' <<<"$version" || fail "the portable norvel-batch says: $version"
[[ ! -e $(dirname "$portable_batch")/norvel-installed.txt ]] || fail "the zip has the installer's marker"
# The portable copy's list is beside it, in its writable folder: without one, that is the file
# it names.
output=$(wine_run "$portable_batch" --db "$(windows_path "$data/住所.sqlite")" --table 住所 \
  --field 郵便番号 --quiet 2>&1) && fail "the portable norvel-batch ran without a pair list"
grep -qF "$(windows_path "$(dirname "$portable_batch")")\\norvel-batch.csv" <<<"$output" ||
  fail "the portable norvel-batch looked for its list elsewhere: $output"

echo "test-windows-package: installer and zip passed under Wine after ${SECONDS}s"
