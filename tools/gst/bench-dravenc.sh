#!/usr/bin/env bash
# bench-dravenc.sh BUILD_DIR [RECORDINGS_DIR] [RUNS]: dravenc against drav encode
# on the same raw frames on disk (every recording played twice, as top-down BGRx
# and RGB15, made once in BUILD_DIR/bench-dravenc), run alternately, the best of RUNS
# (default 5) each: drav encode to an AVI, dravenc to fakesink, and dravenc
# through dravavisink to an AVI. Use a Release build on a quiet machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd) recordings=${2:-$root/recordings} runs=${3:-5}
source "$root/tools/gst/tests/dravenc-lib.sh"
drav=$build/tools/drav plugins=$build/tools/gst work=$build/bench-dravenc
mkdir -p "$work"; cd "$work"

# seconds COMMAND...: the command's wall time.
seconds() { local start=$EPOCHREALTIME; "$@" >/dev/null 2>&1; echo "$EPOCHREALTIME - $start" | bc; }

printf '%-12s %-6s %7s %12s %12s %12s %7s\n' clip input frames "drav (s)" "fakesink (s)" "avisink (s)" ratio
for source in $(bash "$root/recordings/derive.sh" list "$recordings"); do
  clip=$(basename "${source%.*}")
  IFS=, read -r width height rate < <(ffprobe -v error -select_streams v:0 \
    -show_entries stream=width,height,r_frame_rate -of csv=p=0 "$source")
  for entry in "bgr0 bgrx 4" "rgb555le rgb15 2"; do
    read -r pixfmt format bytes <<<"$entry"
    raw=$clip.$format
    [ -s "$raw" ] || "${ff[@]}" -stream_loop 1 -i "$source" -sws_flags neighbor -f rawvideo -pix_fmt $pixfmt "$raw"
    frames=$(($(stat -c %s "$raw") / (width * height * bytes)))
    parse=(filesrc location=$raw blocksize=$((width * height * bytes)) ! rawvideoparse width=$width height=$height
      format=$format framerate=$rate plane-strides="<$((width * bytes))>" ! dravenc)
    best=(999 999 999)
    for _ in $(seq "$runs"); do
      times=("$(seconds "$drav" encode "$raw" drav.avi --input-format rawvideo -q --input-option video_size=${width}x$height \
        --input-option pixel_format=$pixfmt --input-option framerate=$rate)"
        "$(seconds gst_launch "$plugins" "${parse[@]}" ! fakesink)"
        "$(seconds gst_launch "$plugins" "${parse[@]}" ! dravavisink location=dravenc.avi)")
      for i in 0 1 2; do best[i]=$(echo "if (${times[i]} < ${best[i]}) ${times[i]} else ${best[i]}" | bc); done
    done
    cmp -s drav.avi dravenc.avi || fail "$clip $format: dravenc's AVI differs from drav encode's"
    printf '%-12s %-6s %7d %12.3f %12.3f %12.3f %6.2fx\n' "$clip" "$format" "$frames" "${best[@]}" \
      "$(echo "scale=4; ${best[1]} / ${best[0]}" | bc)"
  done
done
