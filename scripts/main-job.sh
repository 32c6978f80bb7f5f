#!/usr/bin/env bash
# The main job: installs what is needed, builds everything, then
#   1. on Linux, records every corpus clip with `drav` at 32, 16 and 8 bits,
#      plays it back and checks with FFmpeg's frame hashes that it is lossless
#      (32-bit input cut to 5 bits a channel), printing ratio and speed;
#   2. on Windows (Wine), when the installer is built: installs the codec with
#      install.exe into a fresh prefix and records and plays a clip through it
#      with avifil32 (install/main-job.sh).
# Run as root on Debian 12.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
corpus=${DRAV_CORPUS_DIR:-$root/../shared/corpus}
work=$root/build/main-job
ff=(ffmpeg -hide_banner -loglevel error -nostdin)

bash scripts/bootstrap.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target drav
drav=$root/build/release/tools/drav
rm -rf "$work"; mkdir -p "$work"

hashes() {  # hashes FFMPEG-INPUT-ARGS... -- PIX_FMT
  local args=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  "${ff[@]}" "${args[@]}" -pix_fmt "$2" -f framemd5 - | grep -v '^#' | awk -F, '{ print $6 }'
}

# roundtrip CLIP DEPTH INPUT PIX_FMT EXPECTED-HASH-ARGS...
roundtrip() {
  local clip=$1 depth=$2 input=$3 pixfmt=$4; shift 4
  local avi=$work/$clip.$depth.avi size
  size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "$input")
  echo "== $clip, $depth bits"
  "$drav" encode "$input" "$avi" --depth "$depth" 2>&1 | sed 's/^/   /'
  hashes "$@" -- "$pixfmt" >"$work/expected.txt"
  "$drav" decode "$avi" - --format "${pixfmt/rgb555le/rgb555}" -q |
    hashes -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i - -- "$pixfmt" >"$work/got.txt"
  if [ -s "$work/got.txt" ] && cmp -s "$work/expected.txt" "$work/got.txt"; then
    echo "   lossless: all $(wc -l <"$work/got.txt") frames decode to the input"
  else
    echo "   MISMATCH: decoded frames differ from the input" >&2
    return 1
  fi
}

for master in "$corpus"/clips/*.mkv; do
  clip=$(basename "$master" .mkv)
  roundtrip "$clip" 32 "$master" rgb555le -i "$master" -sws_flags neighbor
  roundtrip "$clip" 16 "$corpus/derived/$clip.rgb555le.avi" rgb555le -i "$corpus/derived/$clip.rgb555le.avi"
  roundtrip "$clip" 8 "$corpus/derived/$clip.pal8.avi" bgr24 -i "$corpus/derived/$clip.pal8.avi"
done

if [ -f install/main-job.sh ]; then
  echo "== Windows: install.exe and avifil32 under Wine"
  bash install/main-job.sh
fi
