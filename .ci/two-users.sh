#!/usr/bin/env bash
# CI: two ordinary users start the test servers at once, as two people's scripts/test.sh runs
# would: each gets a server of their own with a state file of their own in the temp folder, and
# stopping one user's servers leaves the other's running. Needs root to create the users.
set -euo pipefail
cd "$(dirname "$0")/.."

ci=$(pwd)/.ci
users=(norvel-ci norvel-ci2)
declare -A pg_port=([norvel-ci]=55429 [norvel-ci2]=55529)
declare -A mariadb_port=([norvel-ci]=34169 [norvel-ci2]=34269)
as() {
  local user=$1
  shift
  runuser -u "$user" -- env -i HOME="$(getent passwd "$user" | cut -d: -f6)" \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 NORVEL_PG_PORT="${pg_port[$user]}" \
    NORVEL_MARIADB_PORT="${mariadb_port[$user]}" "$@"
}
stop_all() {
  for user in "${users[@]}"; do
    as "$user" bash "$ci/stop-postgres.sh" >/dev/null 2>&1 || true
    as "$user" bash "$ci/stop-mariadb.sh" >/dev/null 2>&1 || true
  done
}
for user in "${users[@]}"; do
  id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
done
trap stop_all EXIT

declare -A pg mariadb
for user in "${users[@]}"; do
  pg[$user]=$(as "$user" bash "$ci/start-postgres.sh" 2>/dev/null | sed -n "s/^export NORVEL_TEST_PG='\(.*\)'$/\1/p")
  mariadb[$user]=$(as "$user" bash "$ci/start-mariadb.sh" 2>/dev/null | sed -n "s/^export NORVEL_TEST_MARIADB='\(.*\)'$/\1/p")
  [[ -n ${pg[$user]} && -n ${mariadb[$user]} ]] || { echo "two-users: $user's servers did not start" >&2; exit 1; }
  for kind in pg mariadb; do
    state=/tmp/norvel-$kind-$user.current
    [[ -f $state && $(stat -c %U "$state") == "$user" ]] || { echo "two-users: no $state of $user's own" >&2; exit 1; }
  done
done

answers() { echo "SELECT 1;" | isql -b -k "$1" >/dev/null 2>&1; }
as "${users[0]}" bash "$ci/stop-postgres.sh"
as "${users[0]}" bash "$ci/stop-mariadb.sh"
if answers "${pg[${users[0]}]}"; then echo "two-users: ${users[0]}'s PostgreSQL still answers" >&2; exit 1; fi
answers "${pg[${users[1]}]}" || { echo "two-users: stopping ${users[0]}'s PostgreSQL stopped ${users[1]}'s" >&2; exit 1; }
answers "${mariadb[${users[1]}]}" || { echo "two-users: stopping ${users[0]}'s MariaDB stopped ${users[1]}'s" >&2; exit 1; }
echo "two-users: two users' test servers ran side by side"
