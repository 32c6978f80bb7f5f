#!/usr/bin/env bash
# take-screenshots.sh [BUILD_DIR]: photographs the three wizard pages of the
# built install.exe in a fresh Wine prefix and writes them, cropped to the
# wizard, to docs/images/install-{welcome,license,setup}.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/wine-session.sh
build=${1:-$root/build/win}
work=$build/install/screenshots
images=$root/docs/images

rm -rf "$work"
mkdir -p "$work/pause" "$images"
use_prefix "$work/prefix"
make_fresh_prefix
trap 'stop_server; stop_display' EXIT
start_display
start_server

wine "$build/install/tests/wizard_driver.exe" --pause-dir "$(windows_path "$work/pause")" \
  "$(windows_path "$build/install/install.exe")" </dev/null >"$work/wizard.log" 2>&1 &
driver=$!
page=0
for name in welcome license setup; do
  page=$((page + 1))
  ready=$work/pause/page-$page.ready
  for _ in $(seq 300); do [ -s "$ready" ] && break; sleep 0.1; done
  read -r x y width height <"$ready"
  # wizard_driver reports the page once its state has settled; give the
  # last paint a moment to reach the X server.
  sleep 0.5
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${x}+${y}" +repage "$images/install-$name.png"
  touch "$work/pause/page-$page.go"
  echo "$images/install-$name.png"
done
wait "$driver"
tr -d '\r' <"$work/wizard.log"
