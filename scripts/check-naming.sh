#!/usr/bin/env bash
# Checks the project's own names against the one style in .clang-tidy, over every source file of
# src/ that the given build compiles (its compile_commands.json).
#   scripts/check-naming.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
[[ -f $build_dir/compile_commands.json ]] || {
  echo "check-naming: $build_dir/compile_commands.json is missing; configure the build first" >&2
  exit 2
}
command -v clang-tidy >/dev/null || { echo "check-naming: clang-tidy is not installed" >&2; exit 2; }
mapfile -t sources < <(python3 - "$build_dir/compile_commands.json" "$PWD/src/" <<'PY'
import json, sys
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = entry["file"]
    if path.startswith(sys.argv[2]) and path not in seen:
        seen.add(path)
        print(path)
PY
)
echo "check-naming: ${#sources[@]} files" >&2
status=0
printf '%s\0' "${sources[@]}" |
  xargs -0 -P "$(nproc)" -n 8 clang-tidy -p "$build_dir" --quiet >"$build_dir/naming.txt" 2>/dev/null ||
  status=$?
if grep -E "(warning|error):" "$build_dir/naming.txt"; then
  echo "check-naming: the names above do not follow .clang-tidy" >&2
  exit 1
fi
if [[ $status -ne 0 ]]; then
  cat "$build_dir/naming.txt" >&2
  echo "check-naming: clang-tidy failed ($status)" >&2
  exit 1
fi
echo "check-naming: every name follows the style" >&2
