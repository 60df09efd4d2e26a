#!/usr/bin/env bash
# Starts a throwaway MariaDB server on 127.0.0.1 for the ODBC tests and prints the line
#   export NORVEL_TEST_MARIADB='Driver={MariaDB Unicode};Server=127.0.0.1;Port=…;…'
# on stdout, so that a caller can run:  eval "$(bash .ci/start-mariadb.sh)"
# Everything else goes to stderr. Its default sql_mode is kept on purpose: a backslash is an
# escape character inside its string literals. Stop it with .ci/stop-mariadb.sh.
set -euo pipefail

# One state file per user in the temp folder: two users' test runs keep a server each.
tmp=${TMPDIR:-/tmp}
state_file=${NORVEL_MARIADB_STATE:-$tmp/norvel-mariadb-$(id -un).current}
first_port=${NORVEL_MARIADB_PORT:-33069}

die() {
  echo "start-mariadb: $*" >&2
  echo "false"
  exit 1
}
trap 'echo "start-mariadb: failed at line $LINENO" >&2; echo false' ERR

command -v mariadbd >/dev/null || [[ -x /usr/sbin/mariadbd ]] || die "MariaDB is not installed (mariadbd missing)"
server=$(command -v mariadbd || echo /usr/sbin/mariadbd)

if [[ $(id -u) -eq 0 ]]; then
  id mysql >/dev/null 2>&1 || die "the mysql user does not exist"
  owner=mysql
else
  owner=$(id -un)
fi

bash "$(dirname "$0")/stop-mariadb.sh" >&2 || true

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$first_port
while port_in_use "$port"; do
  port=$((port + 1))
  ((port < first_port + 100)) || die "no free port in $first_port..$((port - 1))"
done

dir=$(mktemp -d "$tmp/norvel-mariadb.XXXXXX")
chown "$owner" "$dir"
chmod 700 "$dir"
echo "$dir" >"$state_file"

mariadb-install-db --no-defaults --user="$owner" --datadir="$dir/data" --skip-test-db \
  --auth-root-authentication-method=normal >"$dir/install.log" 2>&1 ||
  { cat "$dir/install.log" >&2; die "mariadb-install-db failed"; }

"$server" --no-defaults --user="$owner" --datadir="$dir/data" --socket="$dir/socket" \
  --pid-file="$dir/server.pid" --port="$port" --bind-address=127.0.0.1 \
  --log-error="$dir/server.log" </dev/null >/dev/null 2>&1 &

for _ in $(seq 1 120); do
  [[ -S $dir/socket ]] && mariadb --no-defaults -S "$dir/socket" -u root -e "SELECT 1" >/dev/null 2>&1 && break
  sleep 0.5
done
[[ -S $dir/socket ]] || { cat "$dir/server.log" >&2; die "the server did not start"; }

password=$(od -An -tx1 -N12 /dev/urandom | tr -d ' \n')
mariadb --no-defaults -S "$dir/socket" -u root >&2 <<SQL
CREATE DATABASE norvel CHARACTER SET utf8mb4;
CREATE USER 'norvel'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL ON norvel.* TO 'norvel'@'127.0.0.1';
SQL

echo "start-mariadb: MariaDB on 127.0.0.1:$port, data in $dir" >&2
echo "export NORVEL_TEST_MARIADB='Driver={MariaDB Unicode};Server=127.0.0.1;Port=$port;Database=norvel;Uid=norvel;Pwd=$password;'"
