#!/usr/bin/env bash
# Screenshots of the real window under Xvfb and openbox, at 96 and 144 dpi, kept beside the build
# for review: <build>/artifacts/norvel-<dpi>dpi.png.
#   scripts/window-screenshots.sh [BUILD_DIR] [PAIR_FILE]
set -euo pipefail

build=$(realpath "${1:-build}")
pairs=${2:-}
out=$build/artifacts
mkdir -p "$out"
for tool in Xvfb openbox xrdb xdotool import; do
  command -v "$tool" >/dev/null || { echo "window-screenshots: $tool is missing" >&2; exit 1; }
done

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

for dpi in 96 144; do
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -dpi "$dpi" -nolisten tcp -noreset >/dev/null 2>&1 &
  pids+=($!)
  read -r -u "$fd" number
  exec {fd}<&-
  export DISPLAY=:$number
  # Qt takes the logical resolution from Xft.dpi, as desktop sessions set it.
  echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
  work=$(mktemp -d)
  cp "$build/bin/norvel" "$work/"
  [[ -n $pairs ]] && cp "$pairs" "$work/norvel.csv"
  (cd "$work" && exec ./norvel) >/dev/null 2>&1 &
  app=$!
  pids+=($app)
  xdotool search --sync --onlyvisible --name '郵便番号置換ユーティリティ' >/dev/null
  sleep 1
  import -window root "$out/norvel-${dpi}dpi.png"
  echo "$out/norvel-${dpi}dpi.png"
  kill "$app" 2>/dev/null || true
  rm -rf "$work"
done
