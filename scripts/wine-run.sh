#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest and for the test discovery, its output passed on as
# it comes. Now and then Wine fails to start a program at all: it exits at once having printed
# nothing, or only its own launcher's lines ("Application could not be started, …",
# "ShellExecuteEx failed: Internal error."). Such a start, and only such a start, is tried again,
# twice at most, saying so: a program that printed a line of its own never runs again.
#   wine-run.sh PROGRAM.exe [ARGUMENT…]
set -uo pipefail
wine=${NORVEL_WINE:-wine}
output=$(mktemp)
trap 'rm -f "$output"' EXIT

# True when every line printed came from Wine itself, not from the program.
only_wine_spoke() {
  ! grep -Ev '^[[:space:]]*$|^Application could not be started|^ShellExecuteEx failed:|^wine: ' \
    "$output" >/dev/null
}

for attempt in 1 2 3; do
  : >"$output"
  "$wine" "$@" 2>&1 | tee "$output"
  status=${PIPESTATUS[0]}
  if [[ $status -eq 0 || $attempt -eq 3 ]] || ! only_wine_spoke; then
    exit "$status"
  fi
  echo "wine-run: Wine ended $1 with exit code $status before the program printed anything;" \
    "starting it again (attempt $((attempt + 1)) of 3)" >&2
done
