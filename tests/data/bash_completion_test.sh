#!/usr/bin/env bash
# The bash completion of norvel-batch offers every option its --help names: without a data
# source, and after --xls (which adds --no-header).
# Usage: bash_completion_test.sh NORVEL_BATCH COMPLETION_FILE
set -euo pipefail
program=$1 completion=$2

if [[ ! -r /usr/share/bash-completion/bash_completion ]]; then
  echo "SKIPPED: bash-completion is not installed"
  exit 0
fi
offered=$(bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  complete_line() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=(); _norvel_batch; printf "%s\n" "${COMPREPLY[@]}"
  }
  complete_line norvel-batch --
  complete_line norvel-batch --xls book.xlsx --' _ "$completion" | sort -u)

missing=0
while read -r option; do
  if ! grep -qx -- "$option" <<<"$offered"; then
    echo "the completion does not offer $option" >&2
    missing=1
  fi
done < <(LC_ALL=C.UTF-8 "$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
exit $missing
