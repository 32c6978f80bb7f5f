#!/usr/bin/env bash
# dravdec-corpus.sh DRAV RECORDINGS_DIR DERIVED_DIR WORKDIR: every recording,
# encoded by drav at 32, 16 and 8 bits with a key frame every 10 frames, played
# through decodebin, which picks dravdec: 16 bits come back exactly, 32 bits cut
# to 5 bits per channel, 8 bits as the palette's colours (FFmpeg's frame hashes
# of the inputs recordings/derive.sh makes); 16 bits also through dravdec with
# two jobs. The first 24 frames of each clip keep the sanitizer build's run
# short.
set -euo pipefail
drav=$1 recordings=$2 derived=$3 work=$4
source "$(dirname "$0")/gst-lib.sh"
list_recordings "$recordings"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
frames=24

# gst_hashes AVI GST_FORMAT PIX_FMT SIZE [DECODER]: dravdec's frames, picked by
# decodebin unless DECODER names the elements.
gst_hashes() {
  gst gst-launch-1.0 -v filesrc location="$1" ! ${5:-decodebin} ! "video/x-raw,format=$2" ! \
    filesink location=out.raw >log.txt 2>&1 || fail "$1: $(grep -v '^/Gst' log.txt)"
  grep -q "GstDravDec:dravdec0" log.txt || fail "$1: not decoded by dravdec"
  frame_hashes -f rawvideo -pix_fmt "$3" -s "$4" -i out.raw -- "$3"
}

for source in "${sources[@]}"; do
  read_inputs "$source" "$derived"
  clip=$(basename "${source%.*}")
  read -r size < <(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "${input[32]}")

  frame_hashes -i "${input[16]}" -frames:v $frames -- rgb555le >expected.txt
  for depth in 32 16; do
    "$drav" encode "${input[$depth]}" "$clip.$depth.avi" --frames $frames --keyint 10 -q
    gst_hashes "$clip.$depth.avi" RGB15 rgb555le "$size" >got.txt
    same_hashes "$clip, $depth bits" expected.txt got.txt
  done
  gst_hashes "$clip.16.avi" RGB15 rgb555le "$size" "avidemux ! dravdec jobs=2" >got.txt
  same_hashes "$clip, 16 bits, two jobs" expected.txt got.txt
  [ -n "${input[8]:-}" ] || { echo "$clip: 32 and 16 bits decode exactly; no 8-bit input"; continue; }
  frame_hashes -i "${input[8]}" -frames:v $frames -- bgr24 >expected.txt
  "$drav" encode "${input[8]}" "$clip.8.avi" --frames $frames --keyint 10 -q
  gst_hashes "$clip.8.avi" BGR bgr24 "$size" >got.txt
  same_hashes "$clip, 8 bits" expected.txt got.txt
  echo "$clip: 32, 16 and 8 bits decode exactly through dravdec"
done
