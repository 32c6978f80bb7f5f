#!/usr/bin/env bash
# compare-drav.sh [REPEATS] [RECORDING...]: dravdec and dravenc against drav on
# the same files, side by side in one run; prints a Markdown table. Each
# recording (those named, else $DRAV_CORPUS_DIR's, else the repository's
# recordings/) is written raw to disk as BGRx and as RGB15, then:
#   encode: drav encode RAW drav.avi (rawvideo input)  against
#           filesrc ! rawvideoparse ! dravenc ! dravavisink location=gst.avi
#           (the two AVIs must be equal: 16-bit streams, as drav makes them),
#           and with dravenc's frames to fakesink, as dravdec's are below;
#   decode: drav decode drav.avi - -q (RGB555 to /dev/null)  against
#           filesrc ! avidemux ! dravdec ! fakesink (the stream's RGB15).
# Whole processes of a Release build (build/rel), the two programs taking
# turns, the best of REPEATS (default 3) each.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
repeats=${1:-3}
shift || true
source "$root/tools/tests/test-lib.sh"
named_recordings "$@"
release_build drav gstdrav gstdravavi
source "$root/tools/gst/tests/dravenc-lib.sh"
drav=$build/tools/drav work=$build/compare-drav
mkdir -p "$work" && cd "$work"
export GST_PLUGIN_PATH=$build/tools/gst GST_REGISTRY=$work/registry.bin
gst gst-inspect-1.0 dravdec >/dev/null # the registry is built before the timing starts

# race WHAT: runs the arrays drav_run and gst_run in turn, REPEATS times each,
# and prints the table row of WHAT with the best time of each.
race() {
  local best_drav=$((1 << 62)) best_gst=$((1 << 62)) t
  for ((i = 0; i < repeats; i++)); do
    t=$(microseconds "${drav_run[@]}")
    best_drav=$((t < best_drav ? t : best_drav))
    t=$(microseconds gst gst-launch-1.0 -q "${gst_run[@]}")
    best_gst=$((t < best_gst ? t : best_gst))
  done
  awk -v what="$1" -v d="$best_drav" -v g="$best_gst" \
    'BEGIN { printf "| %s | %.3f | %.3f | %.2f |\n", what, d / 1e6, g / 1e6, g / d }'
}

echo "| clip, frames, work | drav (s) | GStreamer (s) | GStreamer / drav |"
echo "|---|---|---|---|"
for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  for pixfmt in bgr0 rgb555le; do
    raw_frames "$recording" "$pixfmt"
    raw=$clip.$pixfmt
    [ "$raw" -nt "$recording" ] || "${ff[@]}" -i "$recording" -sws_flags neighbor -f rawvideo -pix_fmt $pixfmt -y "$raw"
    frames=$(($(stat -c %s "$raw") / frame_size))
    drav_run=("$drav" encode "$raw" drav.avi "${raw_drav[@]}" -q)
    gst_run=(filesrc location="$raw" blocksize=$frame_size ! "${raw_parse[@]}" ! dravenc ! dravavisink location=gst.avi)
    race "$clip, $frames, encode ${raw_parse[3]#format=}"
    cmp -s drav.avi gst.avi || fail "$clip $pixfmt: dravenc's AVI differs from drav encode's"
    gst_run=(filesrc location="$raw" blocksize=$frame_size ! "${raw_parse[@]}" ! dravenc ! fakesink)
    race "$clip, $frames, encode ${raw_parse[3]#format=} to fakesink"
  done
  drav_run=("$drav" decode drav.avi - -q)
  gst_run=(filesrc location=drav.avi ! avidemux ! dravdec ! fakesink)
  race "$clip, $frames, decode 16-bit"
done
