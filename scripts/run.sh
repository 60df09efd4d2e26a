#!/usr/bin/env bash
# Builds Norvel and starts it on the sample address database (made on first use from Japan
# Post's address list in data/postal/). With a display: the window. Without one: the batch
# front end, as a dry run of the sample pair list. Installs what building and running need;
# the tests' own needs are scripts/test.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."

# --real: without a display, replace for real instead of the dry run.
real=false
if [[ ${1:-} == --real ]]; then
  real=true
  shift
fi

# The address list first: without it the sample cannot be made, and nothing is installed.
data=${NORVEL_SAMPLE_CSV:-data/postal/jp-postal-2022.csv.tar.xz}
if [[ ! -r $data ]]; then
  echo "run.sh: the address list $data is missing: this checkout is incomplete (git status" \
    "tells), or set NORVEL_SAMPLE_CSV to a copy of it." >&2
  exit 1
fi
csv=()
[[ -n ${NORVEL_SAMPLE_CSV:-} ]] && csv=(--csv "$NORVEL_SAMPLE_CSV")

NORVEL_DEPS_CALLER=scripts/run.sh bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
# The tests are configured once what they need is there (scripts/test.sh installs it).
tests=OFF
[[ -f /usr/include/gmock/gmock.h && -x /usr/bin/python3 ]] && tests=ON
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_BUILD_TESTS=$tests \
  >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target norvel norvel-batch norvel-sample
bin=$build_dir/bin
"$bin/norvel-sample" "${csv[@]}" --out "$bin"

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  echo "Starting the window. Connect on the first tab with: $bin/sample.sqlite" >&2
  exec "$bin/norvel" "$@"
fi
command=("$bin/norvel-batch" --db "$bin/sample.sqlite" --table 住所 --field 郵便番号)
if [[ $real == true ]]; then
  echo "No display: running norvel-batch on $bin/sample.sqlite; this changes the sample database." >&2
  exec "${command[@]}" "$@"
fi
echo "No display: running norvel-batch on $bin/sample.sqlite as a dry run (nothing is changed)." >&2
echo "To replace for real: scripts/run.sh --real   (or: ${command[*]})" >&2
echo "The pairs come from $bin/norvel-batch.csv; $bin/norvel-batch --help tells the rest." >&2
exec "${command[@]}" --dry-run "$@"
