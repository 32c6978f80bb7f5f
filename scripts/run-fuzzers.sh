#!/usr/bin/env bash
# run-fuzzers.sh BUILD_DIR SECONDS: runs every fuzz_* target of a libFuzzer build
# for SECONDS each, starting from its seed corpus in the tree (copied, so the
# tree is never written). Fails on the first crash, leak or sanitizer report,
# and when the build has no fuzz target at all.
set -euo pipefail
build=${1:?build dir}; seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
for exe in $(find "$build" -maxdepth 3 -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$exe")
  seeds=$(find "$root" -path "$root/build" -prune -o -type d -path "*/fuzz/corpus/$name" -print | head -1)
  work=$build/fuzz-work/$name
  rm -rf "$work"; mkdir -p "$work"
  [ -n "$seeds" ] && cp -r "$seeds"/. "$work"/
  echo "fuzzing $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 12
  found=$((found + 1))
done
if [ "$found" = 0 ]; then
  echo "no fuzz_* target in $build: build it with -DDRAV_FUZZ=ON" >&2
  exit 1
fi
echo "$found fuzz targets ran without a finding"
