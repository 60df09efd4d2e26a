#!/usr/bin/env bash
# Builds Norvel and runs every test. Throwaway PostgreSQL and MariaDB servers on loopback are
# started for the ODBC tests unless NORVEL_TEST_PG / NORVEL_TEST_MARIADB already name them.
#   BUILD_DIR=build-asan NORVEL_SANITIZE=ON scripts/test.sh   — the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

# The tests read Japan Post's address list; without it nothing is installed.
if [[ ! -r data/postal/jp-postal-2022.csv.tar.xz ]]; then
  echo "test.sh: data/postal/jp-postal-2022.csv.tar.xz is missing: this checkout is incomplete" >&2
  exit 1
fi
NORVEL_DEPS_CALLER=scripts/test.sh bash scripts/install-deps.sh --test
build_dir=${BUILD_DIR:-build}
sanitize=${NORVEL_SANITIZE:-OFF}

# The servers this script starts are stopped when it ends.
stops=()
trap 'for stop in "${stops[@]}"; do bash "$stop" >/dev/null 2>&1 || true; done' EXIT
# initdb, pg_ctl and mariadbd need no root: an ordinary user runs them on data of their own.
if [[ -z ${NORVEL_TEST_PG:-} ]]; then
  if [[ -x ${NORVEL_PG_BIN:-/usr/lib/postgresql/15/bin}/pg_ctl ]]; then
    eval "$(bash .ci/start-postgres.sh)"
    stops+=(.ci/stop-postgres.sh)
  else
    echo "test.sh: PostgreSQL 15 is not installed: the PostgreSQL tests will be skipped" >&2
  fi
fi
export NORVEL_TEST_PG="${NORVEL_TEST_PG:-}"
[[ -n $NORVEL_TEST_PG ]] || unset NORVEL_TEST_PG

# The same for a throwaway MariaDB server, whose default sql_mode reads backslashes as escapes.
if [[ -z ${NORVEL_TEST_MARIADB:-} ]]; then
  if command -v mariadbd >/dev/null || [[ -x /usr/sbin/mariadbd ]]; then
    eval "$(bash .ci/start-mariadb.sh)"
    stops+=(.ci/stop-mariadb.sh)
  else
    echo "test.sh: MariaDB is not installed: the MariaDB tests will be skipped" >&2
  fi
fi
export NORVEL_TEST_MARIADB="${NORVEL_TEST_MARIADB:-}"
[[ -n $NORVEL_TEST_MARIADB ]] || unset NORVEL_TEST_MARIADB

# CI treats a warning of the ordinary build as an error.
werror=()
[[ ${CI:-} == true && $sanitize == OFF ]] && werror=(-DCMAKE_CXX_FLAGS=-Werror)
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_SANITIZE="$sanitize" \
  -DNORVEL_BUILD_TESTS=ON -DNORVEL_BUILD_BENCH=OFF "${werror[@]}"
cmake --build "$build_dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
if [[ $sanitize == ON ]]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
marker=$(mktemp)
trap 'rm -f "$marker"; for stop in "${stops[@]}"; do bash "$stop" >/dev/null 2>&1 || true; done' EXIT
ctest --test-dir "$build_dir" --output-on-failure -j 2
# psqlODBC as Debian registers it logs every connection to /tmp; the tests turn that off.
logs=$(find /tmp -maxdepth 1 -name 'psqlodbc_*.log' -user "$(id -un)" -newer "$marker" | wc -l)
if [[ $logs -gt 0 ]]; then
  echo "test.sh: the tests left $logs psqlodbc_*.log files in /tmp" >&2
  [[ ${CI:-} == true ]] && exit 1
fi
