#!/usr/bin/env bash
# compare-peers.sh [REPEATS] [RECORDING...]: drav against FFmpeg's lossless
# screen and intra codecs on screen recordings, in one run, in three tables:
# every program on one thread and one core; then two threads each on two cores
# (drav --jobs 2, FFmpeg's -threads 2, FFV1 at level 3 and Ut Video with 4
# slices each so that they can use them), with a 3840x2160 full-motion clip
# (the first recording's first 30 frames scaled up, made here) in both; then
# drav's gain from the second core. Each table's processes are pinned to its
# cores (taskset): drav reads, compresses and writes on threads of their own,
# which on one core take turns as one thread would. The recordings: those
# named, else those in $DRAV_CORPUS_DIR, else the repository's recordings/ (32
# and 16-bit inputs from recordings/derive.sh).
#
# Every encoder reads the same uncompressed input (the recordings as raw
# frames in NUT, prepared once), so the figures are the codecs' own cost; every
# decoder writes full raw frames in the input's pixel format to /dev/null.
# Times are whole processes, the best of REPEATS runs (default 3; runs longer
# than 10 s are not repeated). Prints Markdown tables on standard output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repeats=${1:-3}
shift || true
source "$root/tools/tests/test-lib.sh"
named_recordings "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ff=(ffmpeg -hide_banner -loglevel error -nostdin)
threads=1  # each table's threads, and the cores it is pinned to (at most the machine's)
cores=$(nproc)
declare -A gain_encode gain_decode  # drav's frames per second, one core's then the gain

release_build drav
drav=$build/tools/drav

# best_seconds COMMAND...: the shortest wall-clock time of the command.
best_seconds() {
  local best= start end t
  for ((i = 0; i < repeats; i++)); do
    start=$(date +%s.%N)
    taskset -c "0-$((threads < cores ? threads - 1 : cores - 1))" "$@" >/dev/null
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
scaling() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
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
  enc=$(best_seconds "${ff[@]}" -threads "$threads" -i "$work/$clip.$pixfmt.nut" "$@" -threads "$threads" -y "$out")
  dec=$(best_seconds "${ff[@]}" -threads "$threads" -i "$out" -f rawvideo -pix_fmt "$pixfmt" -y /dev/null)
  row "$clip" "$depth" "$name" "$out" "$enc" "$dec" "$frames" "$raw"
}

ours() {
  local clip=$1 depth=$2 pixfmt=$3 frames=$4 raw=$5 format=$6
  local out=$work/$clip.$depth.drav.avi enc dec
  enc=$(best_seconds "$drav" encode "$work/$clip.$pixfmt.nut" "$out" --depth "$depth" --threads 1 --jobs "$threads" -q)
  dec=$(best_seconds "$drav" decode "$out" /dev/null --container rawvideo --format "$format" -q)
  row "$clip" "$depth" "**drav**" "$out" "$enc" "$dec" "$frames" "$raw"
  note_gain "$clip $depth" "$(calc "$frames / $enc")" "$(calc "$frames / $dec")"
}

# note_gain ROW ENCODE_FPS DECODE_FPS: one core's figures, then two cores' gain.
note_gain() {
  if [ "$threads" = 1 ]; then
    gain_encode[$1]=$2 gain_decode[$1]=$3
  else
    gain_encode[$1]=$(scaling "$2" "${gain_encode[$1]}") gain_decode[$1]=$(scaling "$3" "${gain_decode[$1]}")
  fi
}

# Slices let FFV1 and Ut Video use more than one thread.
sliced() { [ "$threads" = 1 ] || echo "$@"; }

# clip_rows CLIP [large]: the clip's rows at 32 and 16 bits; a large clip's
# at 32 bits only, without ZMBV (below a frame a second at 4K).
clip_rows() {
  local clip=$1 frames width height raw32 raw16
  frames=$("${ff[@]}" -i "$work/$clip.bgr0.nut" -c copy -f framecrc - | grep -vc '^#')
  IFS=, read -r width height < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$work/$clip.bgr0.nut")
  raw32=$((width * height * 4 * frames)); raw16=$((width * height * 2 * frames))
  ours "$clip" 32 bgr0 "$frames" "$raw32" bgr0
  peer "$clip" 32 bgr0 "$frames" "$raw32" qtrle mov -c:v qtrle
  [ "${2:-}" = large ] || peer "$clip" 32 bgr0 "$frames" "$raw32" zmbv avi -c:v zmbv
  peer "$clip" 32 bgr0 "$frames" "$raw32" "libx264rgb -qp 0 ultrafast" mkv -c:v libx264rgb -qp 0 -preset ultrafast
  peer "$clip" 32 bgr0 "$frames" "$raw32" ffv1 mkv -c:v ffv1 $(sliced -level 3 -slices 4)
  peer "$clip" 32 bgr0 "$frames" "$raw32" utvideo avi -c:v utvideo $(sliced -slices 4)
  [ "${2:-}" = large ] && return
  ours "$clip" 16 rgb555le "$frames" "$raw16" rgb555
  peer "$clip" 16 rgb555le "$frames" "$raw16" qtrle mov -c:v qtrle
  peer "$clip" 16 rgb555le "$frames" "$raw16" zmbv avi -c:v zmbv
}

clips=()
for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  read_inputs "$recording" "$root/build/recordings"
  "${ff[@]}" -i "${input[32]}" -c:v rawvideo -pix_fmt bgr0 -y "$work/$clip.bgr0.nut"
  "${ff[@]}" -i "${input[16]}" -c:v rawvideo -pix_fmt rgb555le -y "$work/$clip.rgb555le.nut"
  [ ${#clips[@]} = 0 ] && "${ff[@]}" -i "${input[32]}" -frames:v 30 -vf scale=3840:2160:flags=neighbor \
    -c:v rawvideo -pix_fmt bgr0 -y "$work/$clip-4k.bgr0.nut"
  clips+=("$clip")
done

for threads in 1 2; do
  [ "$threads" = 1 ] && echo "One thread each:" || printf '\nTwo threads each:\n'
  echo
  echo "| clip | bits | codec | size ratio | encode fps | decode fps |"
  echo "|---|---|---|---|---|---|"
  for clip in "${clips[@]}"; do clip_rows "$clip"; done
  clip_rows "${clips[0]}-4k" large
done

printf '\ndrav from one core to two (--jobs 1 on one core, --jobs 2 on two):\n\n'
echo "| clip | bits | encode | decode |"
echo "|---|---|---|---|"
for key in "${!gain_encode[@]}"; do
  read -r clip depth <<<"$key"
  printf '| %s | %s | %sx | %sx |\n' "$clip" "$depth" "${gain_encode[$key]}" "${gain_decode[$key]}"
done | sort
