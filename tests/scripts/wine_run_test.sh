#!/usr/bin/env bash
# scripts/wine-run.sh starts a program again only when it failed and nothing but Wine spoke; a
# program that printed a line of its own, passing or failing, runs once and keeps its exit code and
# output.
#   wine_run_test.sh SCRIPTS_DIR
set -uo pipefail
script="$1/wine-run.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A stand-in for wine: counts its starts; fails for the first $SILENT_STARTS of them, printing
# nothing or, with WINE_SAYS set, the lines Wine's launcher prints when it could not start a
# program; then prints its arguments and exits with $STATUS.
cat >"$work/wine" <<'STANDIN'
#!/usr/bin/env bash
starts=$(($(cat "$STARTS_FILE" 2>/dev/null || echo 0) + 1))
echo "$starts" >"$STARTS_FILE"
if [[ $starts -le $SILENT_STARTS ]]; then
  if [[ -n ${WINE_SAYS:-} ]]; then
    echo "Application could not be started, or no application associated with the specified file."
    echo "ShellExecuteEx failed: Internal error."
    echo
  fi
  exit 1
fi
echo "ran $*"
exit "$STATUS"
STANDIN
chmod +x "$work/wine"

# silent starts, exit status, expected exit code, expected starts, expected output
expect() {
  rm -f "$work/starts"
  local output status
  output=$(WINE_SAYS=${WINE_SAYS:-} NORVEL_WINE="$work/wine" STARTS_FILE="$work/starts" SILENT_STARTS=$1 STATUS=$2 \
    bash "$script" tests.exe --gtest_filter=A.B 2>"$work/stderr")
  status=$?
  local starts
  starts=$(cat "$work/starts")
  if [[ $status != "$3" || $starts != "$4" || $output != "$5" ]]; then
    echo "FAILED: silent=$1 status=$2: exit $status (want $3), starts $starts (want $4)," \
      "output '$output' (want '$5')"
    failures=$((failures + 1))
  fi
  if [[ $1 -gt 0 && $4 -gt 1 ]] && ! grep -q "starting it again" "$work/stderr"; then
    echo "FAILED: silent=$1: the start again was not told"
    failures=$((failures + 1))
  fi
}

expect 0 0 0 1 "ran tests.exe --gtest_filter=A.B"  # passes at once
expect 0 7 7 1 "ran tests.exe --gtest_filter=A.B"  # a failing test runs once
expect 1 0 0 2 "ran tests.exe --gtest_filter=A.B"  # Wine failed to start it once
expect 2 5 5 3 "ran tests.exe --gtest_filter=A.B"  # twice, then it ran and failed
expect 5 0 1 3 ""                                  # never started: three tries, then the failure
# Wine's launcher said it could not start the program: that is not the program speaking.
WINE_SAYS=1 expect 1 0 0 2 "Application could not be started, or no application associated with the specified file.
ShellExecuteEx failed: Internal error.

ran tests.exe --gtest_filter=A.B"

if [[ $failures -gt 0 ]]; then exit 1; fi
echo "wine-run: every case as expected"
