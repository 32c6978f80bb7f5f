#!/usr/bin/env bash
# main-job.sh [RECORDING...]: the main job. Installs what is needed, builds
# everything, then
#   1. on Linux, records every recording with `drav` at 32, 16 and 8 bits (8
#      when a palette can be derived: recordings/derive.sh), plays it back and
#      checks with FFmpeg's frame hashes that it is lossless (32-bit input cut to
#      5 bits a channel), printing ratio and speed;
#   2. on Windows (Wine), when the installer is built: installs the codec with
#      install.exe into a fresh 32-bit prefix and records and plays the same
#      recordings through it with avifil32, then the same with a 64-bit client
#      in a fresh 64-bit prefix, through DRAV64.VCM (main_job/main-job-windows.sh).
# The recordings: the files named (anything FFmpeg reads, of any size and frame
# rate), else those in $DRAV_CORPUS_DIR, else the repository's recordings/.
# Run as root on Debian 12.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
recordings=()
for file in "$@"; do
  [ -f "$file" ] || { echo "no recording $file" >&2; exit 2; }
  recordings+=("$(realpath "$file")")
done
cd "$root"
source scripts/frame-hashes.sh
derive=$root/recordings/derive.sh
derived=$root/build/recordings
work=$root/build/main-job
if [ ${#recordings[@]} = 0 ]; then
  mapfile -t recordings < <(bash "$derive" list "${DRAV_CORPUS_DIR:-$root/recordings}")
  [ ${#recordings[@]} -gt 0 ] || { echo "no recordings in ${DRAV_CORPUS_DIR:-$root/recordings}" >&2; exit 1; }
fi
names=$(for r in "${recordings[@]}"; do basename "${r%.*}"; done | sort)
[ -z "$(uniq -d <<<"$names")" ] || { echo "two recordings share a name: $(uniq -d <<<"$names")" >&2; exit 2; }

bash scripts/bootstrap.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target drav
drav=$root/build/release/tools/drav
rm -rf "$work"; mkdir -p "$work"

# roundtrip CLIP DEPTH INPUT PIX_FMT EXPECTED-HASH-ARGS...
roundtrip() {
  local clip=$1 depth=$2 input=$3 pixfmt=$4; shift 4
  local avi=$work/$clip.$depth.avi size
  size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$input")
  echo "== $clip, $depth bits"
  "$drav" encode "$input" "$avi" --depth "$depth" 2>&1 | sed 's/^/   /'
  frame_hashes "$@" -- "$pixfmt" >"$work/expected.txt"
  "$drav" decode "$avi" - --format "${pixfmt/rgb555le/rgb555}" -q |
    frame_hashes -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i - -- "$pixfmt" >"$work/got.txt"
  if [ -s "$work/got.txt" ] && cmp -s "$work/expected.txt" "$work/got.txt"; then
    echo "   lossless: all $(wc -l <"$work/got.txt") frames decode to the input"
  else
    echo "   MISMATCH: decoded frames differ from the input" >&2
    return 1
  fi
}

for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  declare -A input=()
  while read -r depth file; do input[$depth]=$file; done < <(bash "$derive" inputs "$recording" "$derived")
  roundtrip "$clip" 32 "${input[32]}" rgb555le -i "${input[32]}" -sws_flags neighbor
  roundtrip "$clip" 16 "${input[16]}" rgb555le -i "${input[16]}"
  if [ -n "${input[8]:-}" ]; then
    roundtrip "$clip" 8 "${input[8]}" bgr24 -i "${input[8]}"
  else
    echo "== $clip, 8 bits: skipped, no palette could be derived"
  fi
done

if [ -f main_job/main-job-windows.sh ]; then
  echo "== Windows: install.exe and avifil32 under Wine"
  bash main_job/main-job-windows.sh "${recordings[@]}"
fi
