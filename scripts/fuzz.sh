#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/*_fuzz) with clang and runs each for FUZZ_SECONDS
# (default 60) from its seed corpus in fuzz/corpus/<target>/. Fails when a target crashes;
# the input that did it is kept in build-fuzz/findings/<target>/.
#   FUZZ_SECONDS=600 scripts/fuzz.sh        BUILD_DIR=other-dir scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNORVEL_FUZZ=ON -DNORVEL_WITH_QT=OFF -DNORVEL_BUILD_TESTS=OFF -DNORVEL_BUILD_BENCH=OFF
mapfile -t targets < <(sed -n 's/^ *norvel_fuzz_target(\([A-Za-z0-9_]*_fuzz\)[ )].*/\1/p' \
  fuzz/CMakeLists.txt)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz.sh: fuzz/CMakeLists.txt names no target" >&2
  exit 1
fi
cmake --build "$build_dir" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The targets run side by side, one per core; each one's output is shown when it ends.
run_target() {
  local target=$1 binary seeds work findings
  binary=$(find "$build_dir" -type f -name "$target" -perm -u+x | head -n 1)
  seeds=fuzz/corpus/$target
  # New inputs go to a scratch corpus; the committed seeds stay as they are.
  work=$build_dir/corpus/$target
  findings=$build_dir/findings/$target
  mkdir -p "$work" "$findings"
  [[ -d $seeds ]] || seeds=
  "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" "$work" ${seeds:+"$seeds"} >"$build_dir/$target.log" 2>&1
  echo $? >"$build_dir/$target.status"
}
failed=()
for target in "${targets[@]}"; do
  echo "== $target: $seconds s"
  rm -f "$build_dir/$target.status"
  run_target "$target" &
  # No more targets at once than cores.
  while [[ $(jobs -rp | wc -l) -ge $(nproc) ]]; do wait -n || true; done
done
wait
for target in "${targets[@]}"; do
  echo "== $target"
  tail -n 20 "$build_dir/$target.log"
  [[ $(cat "$build_dir/$target.status" 2>/dev/null) == 0 ]] || failed+=("$target")
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz.sh: crashed: ${failed[*]} (inputs in $build_dir/findings/)" >&2
  exit 1
fi
echo "fuzz.sh: every target ran $seconds s without a crash: ${targets[*]}"
