#!/usr/bin/env bash
# drav-corpus-roundtrip.sh DRAV RECORDINGS_DIR DERIVED_DIR WORKDIR: every
# recording through drav at all three depths (inputs from recordings/derive.sh,
# made once in DERIVED_DIR), checked with FFmpeg's frame hashes: 16-bit and
# 8-bit input comes back exactly, 32-bit input cut to 5 bits per channel; and
# with frames compressed side by side, the same AVIs as with one job. The
# first 30 frames of every clip keep the sanitizer build's run short.
set -euo pipefail
drav=$1 recordings=$2 derived=$3 work=$4
source "$(dirname "$0")/test-lib.sh"
list_recordings "$recordings"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
frames=30

for source in "${sources[@]}"; do
  read_inputs "$source" "$derived"
  master=${input[32]} rgb555=${input[16]} pal8=${input[8]:-}
  clip=$(basename "${source%.*}")
  read -r size < <(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "$master")

  # 32 bits: the decoder gives the master cut to 5 bits per channel (no dithering).
  frame_hashes -i "$master" -frames:v $frames -sws_flags neighbor -- rgb555le >expected.txt
  "$drav" encode "$master" "$clip.32.avi" --frames $frames -q
  "$drav" decode "$clip.32.avi" - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s "$size" -i - -- rgb555le >got.txt
  same_hashes "$clip, 32 bits" expected.txt got.txt
  # ...which is the derived 16-bit clip, and what --depth 16 makes of the master.
  frame_hashes -i "$rgb555" -frames:v $frames -- rgb555le >derived.txt
  same_hashes "$clip, the 16-bit clip is the master cut to 5 bits" expected.txt derived.txt
  "$drav" encode "$master" "$clip.32to16.avi" --depth 16 --frames $frames -q
  "$drav" decode "$clip.32to16.avi" - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s "$size" -i - -- rgb555le >got.txt
  same_hashes "$clip, 32-bit master at --depth 16" expected.txt got.txt

  # 16 bits: exact.
  "$drav" encode "$rgb555" "$clip.16.avi" --frames $frames -q
  "$drav" info --brief "$clip.16.avi" | grep -q "16 bits per pixel" || fail "$clip: 16-bit input made another depth"
  "$drav" decode "$clip.16.avi" - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s "$size" -i - -- rgb555le >got.txt
  same_hashes "$clip, 16 bits" derived.txt got.txt

  # Frames compressed side by side make the AVI one compressor makes, at
  # every depth and whatever the key frames.
  for depth in 32 16 8; do
    [ -n "${input[$depth]:-}" ] || continue
    for keyint in 100 1 7; do
      "$drav" encode "${input[$depth]}" one.avi --frames $frames --keyint $keyint --jobs 1 -q
      "$drav" encode "${input[$depth]}" many.avi --frames $frames --keyint $keyint --jobs 3 -q
      cmp -s one.avi many.avi || fail "$clip, $depth bits, key frames every $keyint: --jobs 3 made another AVI"
    done
  done

  # 8 bits: exact, compared as the colours the palette gives.
  [ -n "$pal8" ] || { echo "$clip: 32 and 16 bits round trip exactly; no 8-bit input"; continue; }
  frame_hashes -i "$pal8" -frames:v $frames -- bgr24 >expected.txt
  "$drav" encode "$pal8" "$clip.8.avi" --frames $frames -q
  "$drav" info --brief "$clip.8.avi" | grep -q "8 bits per pixel" || fail "$clip: paletted input made another depth"
  "$drav" decode "$clip.8.avi" - --format bgr24 -q |
    frame_hashes -f rawvideo -pix_fmt bgr24 -s "$size" -i - -- bgr24 >got.txt
  same_hashes "$clip, 8 bits" expected.txt got.txt
  "$drav" info "$clip.8.avi" >info.txt || fail "$clip: info reports damage"
  echo "$clip: 32, 16 and 8 bits round trip exactly"
done
