#!/usr/bin/env bash
# Runs scripts/test.sh as an ordinary user, as a newcomer would: a copy of this checkout in that
# user's home, the servers started by the user's own run.
# Needs root to create the user.
set -euo pipefail
cd "$(dirname "$0")/.."

user=${NORVEL_CI_USER:-norvel-ci}
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
work=$home/norvel-ci
rm -rf "$work"
git ls-files -z | tar --null -T - -cf - | (mkdir -p "$work/main" && tar -xf - -C "$work/main")
chown -R "$user": "$work"

# The user's own servers and ports (the state files in the temp folder are per user), so that
# nothing of root's is touched. No locale at all, as on a fresh system's console: the tests set
# up theirs as the programs do.
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin CI=true \
  NORVEL_PG_PORT=55329 NORVEL_MARIADB_PORT=34069 bash "$work/main/scripts/test.sh"
rm -rf "$work"
