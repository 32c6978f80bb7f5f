#!/usr/bin/env bash
# compare-drav.sh [REPEATS] [RECORDING...]: dravdec against drav decode on the
# same DRAV AVIs, side by side in one run. The AVIs are the recordings (those
# named, else $DRAV_CORPUS_DIR's, else the repository's recordings/) encoded by
# drav at 16 bits from their 32-bit inputs, as drav encode makes them.
#   drav:    drav decode FILE - -q >/dev/null     (raw frames to /dev/null)
#   dravdec: gst-launch-1.0 -q filesrc location=FILE ! avidemux ! dravdec ! fakesink
# Both decode to the stream's default format (RGB555) at its own size. Times
# are whole processes from a Release build, the best of REPEATS runs (default
# 3). Prints a Markdown table on standard output.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
repeats=${1:-3}
shift || true
recordings=("$@")
derive=$root/recordings/derive.sh
if [ ${#recordings[@]} = 0 ]; then
  mapfile -t recordings < <(bash "$derive" list "${DRAV_CORPUS_DIR:-$root/recordings}")
fi
build=$root/build/rel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target drav gstdrav -j2 >/dev/null
drav=$build/tools/drav
export GST_PLUGIN_PATH=$build/tools/gst GST_REGISTRY=$work/registry.bin
gst-inspect-1.0 dravdec >/dev/null  # the registry is built before the timing starts

# best_seconds COMMAND...: the shortest wall-clock time of the command.
best_seconds() {
  local best= start end t
  for ((i = 0; i < repeats; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    t=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  printf '%d.%03d' $((best / 1000)) $((best % 1000))
}

echo "| clip | frames | drav decode (s) | dravdec (s) | dravdec / drav |"
echo "|---|---|---|---|---|"
for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  master=$(bash "$derive" inputs "$recording" "$build/corpus-inputs" | awk '$1 == 32 { print $2 }')
  avi=$work/$clip.avi
  "$drav" encode "$master" "$avi" --depth 16 -q
  frames=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$avi")
  drav_s=$(best_seconds "$drav" decode "$avi" - -q)
  gst_s=$(best_seconds gst-launch-1.0 -q filesrc location="$avi" ! avidemux ! dravdec ! fakesink)
  ratio=$(awk -v a="$gst_s" -v b="$drav_s" 'BEGIN { printf "%.2f", a / b }')
  echo "| $clip | $frames | $drav_s | $gst_s | $ratio |"
done
