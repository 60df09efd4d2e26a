#!/usr/bin/env bash
# Builds Norvel and runs every test. A throwaway PostgreSQL server on loopback is started for the
# ODBC tests unless NORVEL_TEST_PG already names one.
#   BUILD_DIR=build-asan NORVEL_SANITIZE=ON scripts/test.sh   — the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
sanitize=${NORVEL_SANITIZE:-OFF}

if [[ -z ${NORVEL_TEST_PG:-} ]]; then
  if [[ $(id -u) -eq 0 ]] || [[ -n ${NORVEL_PG_BIN:-} ]]; then
    eval "$(bash .ci/start-postgres.sh)"
    trap 'bash .ci/stop-postgres.sh >/dev/null 2>&1 || true' EXIT
  else
    echo "test.sh: NORVEL_TEST_PG is not set and not root: the PostgreSQL tests will be skipped" >&2
  fi
fi
export NORVEL_TEST_PG="${NORVEL_TEST_PG:-}"
[[ -n $NORVEL_TEST_PG ]] || unset NORVEL_TEST_PG

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_SANITIZE="$sanitize" \
  -DNORVEL_BUILD_BENCH=OFF
cmake --build "$build_dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
if [[ $sanitize == ON ]]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
ctest --test-dir "$build_dir" --output-on-failure -j 2
