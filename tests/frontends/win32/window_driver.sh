# The helpers of the window tests: Xvfb with openbox, the window tests' Wine prefix (its DPI
# and fonts), the window read through window_probe.exe, keys from xdotool, screenshots.
# Sourced by keyboard_run.sh and keyboard_postgres.sh, with norvel_exe, probe_exe and dpi set.
# Exits 77 (skipped) when Xvfb, openbox, xdotool or Wine are missing.
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
# The bitness test-windows.sh gives the prefix (win32 for the 32-bit build).
export WINEARCH=${WINEARCH:-win64}
# An operator's Windows is Japanese: with a Japanese locale Wine picks Japanese fonts for its own
# texts (message boxes) as well.
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then export LC_ALL=ja_JP.UTF-8; fi
xvfb_pid='' wm_pid='' norvel_pid=''
# A script's own cleanup (a database session it holds) runs first.
cleanup_more=:
cleanup() {
  "$cleanup_more" || true
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
  import -window root "$shots/${shot_prefix:-}$1-${dpi}dpi.png" 2>/dev/null ||
    echo "no screenshot of $1: ImageMagick's import is missing" >&2
}

# The controls by the inventory's identifiers.
readonly TABS=1002 MDB_PATH=1003 CONNECTION_STRING=1011 CMD_CONNECT=1012 LIST=1014 OLD=1015
readonly NEW=1016 TABLE=1023 FIELD=1025 STATUS=1026 START=1027 QUIT=1028

# Starts the copy of norvel.exe in $folder and waits for its window to be active. Now and then
# Wine fails to start a program at all ("ShellExecuteEx failed"); a start that ended before any
# window showed is tried again, twice at most.
start_norvel() {
  cp "$norvel_exe" "$folder/norvel.exe"
  window=''
  local attempt
  for attempt in 1 2 3; do
    (cd "$folder" && exec wine norvel.exe) >/dev/null 2>&1 &
    norvel_pid=$!
    for _ in $(seq 600); do
      window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) && [[ -n $window ]] && break
      kill -0 "$norvel_pid" 2>/dev/null || break
      sleep 0.1
    done
    [[ -n $window ]] && break
    kill -0 "$norvel_pid" 2>/dev/null && break
    ((attempt < 3)) && echo "Wine ended norvel.exe before its window showed; starting it again (attempt" \
      "$((attempt + 1)) of 3)" >&2
  done
  [[ -n $window ]] || fail "the window did not open"
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
}
