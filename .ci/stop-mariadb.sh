#!/usr/bin/env bash
# Stops the server that .ci/start-mariadb.sh started and removes its files. Does nothing when
# none is running.
set -uo pipefail

# One state file per user in the temp folder: two users' test runs keep a server each.
tmp=${TMPDIR:-/tmp}
state_file=${NORVEL_MARIADB_STATE:-$tmp/norvel-mariadb-$(id -un).current}
[[ -f $state_file ]] || exit 0
dir=$(<"$state_file")
case $dir in
  /*/norvel-mariadb.??????) ;;
  *) echo "stop-mariadb: unexpected directory '$dir' in $state_file" >&2; exit 1 ;;
esac

if [[ -f $dir/server.pid ]]; then
  pid=$(<"$dir/server.pid")
  kill "$pid" 2>/dev/null
  for _ in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
fi
rm -rf -- "$dir"
rm -f -- "$state_file"
