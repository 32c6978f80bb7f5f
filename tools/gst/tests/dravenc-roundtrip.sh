#!/usr/bin/env bash
# dravenc-roundtrip.sh PLUGIN_DIR DRAV RECORDINGS_DIR DERIVED_DIR WORKDIR: dravenc
# compresses raw BGRx and RGB15 frames (the recordings' 32 and 16-bit inputs,
# from recordings/derive.sh, and a synthetic clip whose rows need padding) into
# the very AVI drav encode writes from the same input, byte for byte; and every
# decoder gives back the input's frames: 16 bits exactly, 32 bits cut to 5 bits
# per channel; dravenc compresses three frames side by side. The first 30
# frames of each recording keep the sanitizer build's run short.
set -euo pipefail
plugins=$1 drav=$2 recordings=$3 derived=$4 work=$5
source "$(dirname "$0")/dravenc-lib.sh"
list_recordings "$recordings"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
frames=30 keyint=10

# Decoders of a DRAV AVI, each printing the frames' hashes as RGB555.
decode_with_drav() { "$drav" decode "$1" - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s "$2" -i - -- rgb555le; }
decoders=(decode_with_drav)

# roundtrip WHAT SOURCE PIX_FMT: dravenc's AVI of SOURCE is drav encode's, and
# decodes to SOURCE's frames.
roundtrip() {
  local what=$1 source=$2 pixfmt=$3 size decode
  read -r size < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$source")
  dravenc_avi "$plugins" "$source" "$pixfmt" $frames $keyint dravenc.avi 3
  "$drav" encode "$source" drav.avi --frames $frames --keyint $keyint -q
  cmp drav.avi dravenc.avi || fail "$what: dravenc's AVI differs from drav encode's"
  frame_hashes -i "$source" -frames:v $frames -sws_flags neighbor -- rgb555le >expected.txt
  for decode in "${decoders[@]}"; do
    "$decode" dravenc.avi "$size" >got.txt
    same_hashes "$what, ${decode#decode_with_}" expected.txt got.txt
  done
  echo "$what: drav encode's frames; decoded back exactly"
}

"${ff[@]}" -f lavfi -i testsrc=size=67x37:rate=10:duration=4 -c:v rawvideo -pix_fmt bgr0 bgr0.nut
"${ff[@]}" -i bgr0.nut -c:v rawvideo -pix_fmt rgb555le -sws_flags neighbor rgb555.nut
roundtrip "67x37 BGRx" bgr0.nut bgr0
roundtrip "67x37 RGB15" rgb555.nut rgb555le
for source in "${sources[@]}"; do
  read_inputs "$source" "$derived"
  clip=$(basename "${source%.*}")
  roundtrip "$clip BGRx" "${input[32]}" bgr0
  roundtrip "$clip RGB15" "${input[16]}" rgb555le
done
