#!/usr/bin/env bash
# The sources that differ on Windows, compiled for 32-bit Windows without linking: what only a
# 32-bit build meets (the WINAPI calling convention of callbacks, 32-bit handles and sizes) is
# found without building the 32-bit dependencies. Takes the compile commands of a 64-bit mingw
# build, swaps in the i686 compiler and checks with -fsyntax-only -Werror.
#   scripts/check-windows-32bit.sh build-mingw
set -euo pipefail
build_dir=$(realpath "${1:?usage: check-windows-32bit.sh <x86_64 mingw build folder>}")
compiler=i686-w64-mingw32-g++-posix
if ! command -v "$compiler" >/dev/null; then
  echo "check-windows-32bit: $compiler is missing (apt-get install g++-mingw-w64-i686-posix)" >&2
  exit 2
fi
python3 - "$build_dir/compile_commands.json" "$compiler" <<'EOF'
import json, os, re, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor

commands_file, compiler = sys.argv[1], sys.argv[2]
# Windows-only sources by their folder or name.
windows_only = re.compile(r"/(win32|windows)/|_win32\.cpp$|_windows\.cpp$")
checks = []
for entry in json.load(open(commands_file)):
    if not windows_only.search(entry["file"]):
        continue
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    # The launcher (ccache) and the 64-bit compiler give way to the 32-bit one.
    while args and not args[0].endswith(("g++", "g++-posix", "c++")):
        args.pop(0)
    args[0] = compiler
    # No object and no dependency file: -o, -MF and -MT take the next word with them.
    kept, skip = [], False
    for a in args:
        if skip:
            skip = False
        elif a in ("-o", "-MF", "-MT"):
            skip = True
        elif a != "-MD":
            kept.append(a)
    args = kept
    args += ["-fsyntax-only", "-Werror"]
    checks.append((entry["file"], entry["directory"], args))

def check(item):
    file, directory, args = item
    run = subprocess.run(args, cwd=directory, capture_output=True, text=True)
    return file, run.returncode, run.stderr

failed = 0
with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
    for file, code, errors in pool.map(check, checks):
        if code != 0:
            failed += 1
            print(f"check-windows-32bit: {file}\n{errors}", file=sys.stderr)
print(f"check-windows-32bit: {len(checks)} Windows sources compiled for 32-bit, {failed} failed")
sys.exit(1 if failed else 0)
EOF
