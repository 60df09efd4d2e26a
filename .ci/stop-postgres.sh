#!/usr/bin/env bash
# Stops the server that .ci/start-postgres.sh started and removes its files. Does nothing when
# none is running.
set -uo pipefail

pg_bin=${NORVEL_PG_BIN:-/usr/lib/postgresql/15/bin}
# One state file per user in the temp folder: two users' test runs keep a server each.
tmp=${TMPDIR:-/tmp}
state_file=${NORVEL_PG_STATE:-$tmp/norvel-pg-$(id -un).current}

[[ -f $state_file ]] || exit 0
dir=$(<"$state_file")
case $dir in
  /*/norvel-pg.??????) ;;
  *) echo "stop-postgres: unexpected directory '$dir' in $state_file" >&2; exit 1 ;;
esac

if [[ -f $dir/data/postmaster.pid ]]; then
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$pg_bin/pg_ctl" -D "$dir/data" -m fast -w stop >&2
  else
    "$pg_bin/pg_ctl" -D "$dir/data" -m fast -w stop >&2
  fi
fi
rm -rf -- "$dir"
rm -f -- "$state_file"
