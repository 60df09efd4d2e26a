#!/usr/bin/env bash
# Starts a throwaway PostgreSQL 15 server on 127.0.0.1 for the ODBC tests and prints the line
#   export NORVEL_TEST_PG='Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=…;…'
# on stdout, so that a caller can run:  eval "$(bash .ci/start-postgres.sh)"
# Everything else goes to stderr. A server left by an earlier run is stopped and removed first.
# Stop it with .ci/stop-postgres.sh.
set -euo pipefail

pg_bin=${NORVEL_PG_BIN:-/usr/lib/postgresql/15/bin}
# One state file per user in the temp folder: two users' test runs keep a server each.
tmp=${TMPDIR:-/tmp}
state_file=${NORVEL_PG_STATE:-$tmp/norvel-pg-$(id -un).current}
first_port=${NORVEL_PG_PORT:-54329}
role=norvel
database=norvel

die() {
  echo "start-postgres: $*" >&2
  # A caller's `eval "$(…)"` under `set -e` stops here too, instead of running without a server.
  echo "false"
  exit 1
}

trap 'echo "start-postgres: failed at line $LINENO" >&2; echo false' ERR

[[ -x $pg_bin/pg_ctl ]] || die "PostgreSQL 15 is not installed ($pg_bin/pg_ctl missing)"

# initdb refuses to run as root: the cluster belongs to the postgres user.
if [[ $(id -u) -eq 0 ]]; then
  id postgres >/dev/null 2>&1 || die "the postgres user does not exist"
  as_owner() { runuser -u postgres -- "$@"; }
  owner=postgres
else
  as_owner() { "$@"; }
  owner=$(id -un)
fi

bash "$(dirname "$0")/stop-postgres.sh" >&2 || true

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$first_port
while port_in_use "$port"; do
  port=$((port + 1))
  ((port < first_port + 100)) || die "no free port in $first_port..$((port - 1))"
done

dir=$(mktemp -d "$tmp/norvel-pg.XXXXXX")
chown "$owner" "$dir"
chmod 700 "$dir"
echo "$dir" >"$state_file"

password=$(od -An -tx1 -N12 /dev/urandom | tr -d ' \n')
pwfile=$dir/superuser.pw
echo "$password" >"$pwfile"
chown "$owner" "$pwfile"

# Local socket connections trust (only this script uses them); TCP needs a SCRAM password, so
# a wrong password is refused by the server itself.
as_owner "$pg_bin/initdb" -D "$dir/data" -U postgres --pwfile="$pwfile" --encoding=UTF8 \
  --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; die "initdb failed"; }

as_owner "$pg_bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
  -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir" >&2 ||
  { cat "$dir/server.log" >&2; die "the server did not start"; }

psql_admin() {
  as_owner "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres "$@"
}
psql_admin -d postgres -c "CREATE ROLE $role LOGIN CREATEROLE PASSWORD '$password'" >&2 ||
  die "could not create the role $role"
psql_admin -d postgres -c "CREATE DATABASE $database OWNER $role ENCODING 'UTF8' TEMPLATE template0" >&2 ||
  die "could not create the database $database"

# The server must answer over TCP with the password before anyone relies on it.
PGPASSWORD=$password "$pg_bin/psql" -X -q -h 127.0.0.1 -p "$port" -U "$role" -d "$database" \
  -c "SELECT 1" >/dev/null || die "the server does not accept the password over TCP"

echo "start-postgres: PostgreSQL 15 on 127.0.0.1:$port, data in $dir" >&2
echo "export NORVEL_TEST_PG='Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Database=$database;Uid=$role;Pwd=$password;'"
