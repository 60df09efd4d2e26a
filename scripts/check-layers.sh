#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own. The layers, lowest first:
#   text             src/text
#   platform         src/platform/*.h|*.cpp (the interfaces and the database contract)
#   services         src/platform/<service>/, src/xlsx, src/xls
#   core             src/ui, src/db, src/pairs, src/engine, src/catalog (the user's texts), src/journal
#   tools            src/postal (norvel-pairs' logic, over the pair list of the core)
#   front ends       src/frontends
#   programs         src/app
# A layer may include its own and any below it; services and core are side by side, and neither
# includes the other. Tests, benchmarks and fuzz targets may include anything.
#   scripts/check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
exec python3 - <<'PY'
import os
import re
import sys

RANK = {"text": 0, "platform": 1, "services": 2, "core": 2, "tools": 3, "frontends": 4, "app": 5}
# Side by side: the same rank, but not each other.
APART = {("services", "core"), ("core", "services")}


def layer_of(path):
    parts = path.split("/")
    if parts[0] != "src" or len(parts) < 2:
        return None
    top = parts[1]
    if top == "text":
        return "text"
    if top == "platform":
        return "platform" if len(parts) == 3 else "services"
    if top in ("xlsx", "xls"):
        return "services"
    if top in ("ui", "db", "pairs", "engine", "catalog", "journal"):
        return "core"
    if top == "postal":
        return "tools"
    if top == "frontends":
        return "frontends"
    if top == "app":
        return "app"
    return None


include = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
problems = []
files = 0
for root, _, names in os.walk("src"):
    for name in sorted(names):
        if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
            continue
        path = os.path.join(root, name)
        own = layer_of(path)
        if own is None:
            continue
        files += 1
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = include.match(line)
                if not match:
                    continue
                target = layer_of("src/" + match.group(1))
                if target is None:
                    continue
                if RANK[target] > RANK[own] or (own, target) in APART:
                    problems.append(f"{path}:{number}: a {own} file includes {match.group(1)} ({target})")

for problem in problems:
    print(problem)
if problems:
    print(f"check-layers: {len(problems)} include(s) against the layers", file=sys.stderr)
    sys.exit(1)
print(f"check-layers: {files} files, every include goes down or sideways within its layer")
PY
