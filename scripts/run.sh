#!/usr/bin/env bash
# Builds Norvel and starts it on the sample address database (made from the Japan Post data
# beside this checkout on first use). With a display: the window. Without one: the batch front
# end, as a dry run of the sample pair list.
set -euo pipefail
cd "$(dirname "$0")/.."

# --real: without a display, replace for real instead of the dry run.
real=false
if [[ ${1:-} == --real ]]; then
  real=true
  shift
fi

bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target norvel norvel-batch norvel-sample
bin=$build_dir/bin
csv=${NORVEL_SAMPLE_CSV:-../shared/data/jp-postal-2022.csv}
"$bin/norvel-sample" --csv "$csv" --out "$bin"

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
