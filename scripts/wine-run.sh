#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest and for the test discovery, its output passed on as
# it comes. Now and then Wine fails to start a program at all: it exits at once with nothing
# printed (seen once in about 1,500 test runs). Such a start, and only such a start, is tried
# again, twice at most, saying so: a program that printed anything never runs again.
#   wine-run.sh PROGRAM.exe [ARGUMENT…]
set -uo pipefail
wine=${NORVEL_WINE:-wine}
output=$(mktemp)
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
  : >"$output"
  "$wine" "$@" 2>&1 | tee "$output"
  status=${PIPESTATUS[0]}
  if [[ $status -eq 0 || -s $output || $attempt -eq 3 ]]; then
    exit "$status"
  fi
  echo "wine-run: Wine ended $1 with exit code $status before it printed anything;" \
    "starting it again (attempt $((attempt + 1)) of 3)" >&2
done
