#!/usr/bin/env bash
# compare-peers.sh [REPEATS] [RECORDING...]: drav against FFmpeg's lossless
# screen and intra codecs on screen recordings, every program on one thread, in
# one run. The recordings: those named, else those in $DRAV_CORPUS_DIR, else the
# repository's recordings/ (32 and 16-bit inputs from recordings/derive.sh).
#
# Every encoder reads the same uncompressed input (the recordings as raw
# frames in NUT, prepared once), so the figures are the codecs' own cost; every
# decoder writes full raw frames in the input's pixel format to /dev/null.
# Times are whole processes, the best of REPEATS runs (default 3; runs longer
# than 10 s are not repeated). Prints a Markdown table on standard output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeats=${1:-3}
shift || true
recordings=("$@")
derive=$root/recordings/derive.sh
if [ ${#recordings[@]} = 0 ]; then
  mapfile -t recordings < <(bash "$derive" list "${DRAV_CORPUS_DIR:-$root/recordings}")
fi
build=$root/build-tool-rel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ff=(ffmpeg -hide_banner -loglevel error -nostdin -threads 1)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target drav -j2 >/dev/null
drav=$build/tools/drav

# best_seconds COMMAND...: the shortest wall-clock time of the command.
best_seconds() {
  local best= start end t
  for ((i = 0; i < repeats; i++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(calc "$end - $start")
    if [ -z "$best" ] || [ "$(calc "$t < $best")" = 1 ]; then best=$t; fi
    [ "$(calc "$t > 10")" = 1 ] && break
  done
  echo "$best"
}

calc() { awk "BEGIN { print ($1) }"; }
fps() { awk "BEGIN { printf \"%.0f\", $1 / $2 }"; }
ratio() { awk "BEGIN { printf \"%.1f\", $1 / $2 }"; }
size() { stat -c %s "$1"; }

# row CLIP DEPTH NAME FILE ENCODE_SECONDS DECODE_SECONDS FRAMES RAW_BYTES
row() {
  printf '| %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$(ratio "$8" "$(size "$4")")" \
    "$(fps "$7" "$5")" "$(fps "$7" "$6")"
}

# peer CLIP DEPTH PIXFMT FRAMES RAW NAME EXT ENCODER-ARGS...
peer() {
  local clip=$1 depth=$2 pixfmt=$3 frames=$4 raw=$5 name=$6 ext=$7; shift 7
  local out=$work/$clip.$depth.$name.$ext enc dec
  enc=$(best_seconds "${ff[@]}" -i "$work/$clip.$pixfmt.nut" "$@" -threads 1 -y "$out")
  dec=$(best_seconds "${ff[@]}" -i "$out" -f rawvideo -pix_fmt "$pixfmt" -y /dev/null)
  row "$clip" "$depth" "$name" "$out" "$enc" "$dec" "$frames" "$raw"
}

ours() {
  local clip=$1 depth=$2 pixfmt=$3 frames=$4 raw=$5 format=$6
  local out=$work/$clip.$depth.drav.avi enc dec
  enc=$(best_seconds "$drav" encode "$work/$clip.$pixfmt.nut" "$out" --depth "$depth" --threads 1 --jobs 1 -q)
  dec=$(best_seconds "$drav" decode "$out" /dev/null --container rawvideo --format "$format" -q)
  row "$clip" "$depth" "**drav**" "$out" "$enc" "$dec" "$frames" "$raw"
}

echo "| clip | bits | codec | size ratio | encode fps | decode fps |"
echo "|---|---|---|---|---|---|"
for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  declare -A input=()
  while read -r depth file; do input[$depth]=$file; done < <(bash "$derive" inputs "$recording" "$root/build/recordings")
  "${ff[@]}" -i "${input[32]}" -c:v rawvideo -pix_fmt bgr0 -y "$work/$clip.bgr0.nut"
  "${ff[@]}" -i "${input[16]}" -c:v rawvideo -pix_fmt rgb555le -y "$work/$clip.rgb555le.nut"
  frames=$("${ff[@]}" -i "$work/$clip.bgr0.nut" -c copy -f framecrc - | grep -vc '^#')
  IFS=, read -r width height < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "${input[32]}")
  raw32=$((width * height * 4 * frames)); raw16=$((width * height * 2 * frames))

  ours "$clip" 32 bgr0 "$frames" "$raw32" bgr0
  peer "$clip" 32 bgr0 "$frames" "$raw32" qtrle mov -c:v qtrle
  peer "$clip" 32 bgr0 "$frames" "$raw32" zmbv avi -c:v zmbv
  peer "$clip" 32 bgr0 "$frames" "$raw32" "libx264rgb -qp 0 ultrafast" mkv -c:v libx264rgb -qp 0 -preset ultrafast
  peer "$clip" 32 bgr0 "$frames" "$raw32" ffv1 mkv -c:v ffv1
  peer "$clip" 32 bgr0 "$frames" "$raw32" utvideo avi -c:v utvideo
  ours "$clip" 16 rgb555le "$frames" "$raw16" rgb555
  peer "$clip" 16 rgb555le "$frames" "$raw16" qtrle mov -c:v qtrle
  peer "$clip" 16 rgb555le "$frames" "$raw16" zmbv avi -c:v zmbv
done
