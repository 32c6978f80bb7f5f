#!/usr/bin/env bash
# vlc-corpus.sh DRAV VLC_FRAMES RECORDINGS_DIR DERIVED_DIR WORKDIR: every
# recording, encoded by drav at 32, 16 and 8 bits with a key frame every 10
# frames, played by libvlc's media player through the module: every picture
# VLC shows is drav decode's frame (the first 24 frames of each clip keep the
# sanitizer build's run short). The module comes from VLC_PLUGIN_PATH.
set -euo pipefail
drav=$1 vlc_frames=$2 recordings=$3 derived=$4 work=$5
source "$(dirname "$0")/vlc-lib.sh"
list_recordings "$recordings"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
frames=24

for source in "${sources[@]}"; do
  read_inputs "$source" "$derived"
  clip=$(basename "${source%.*}")
  depths=(32 16)
  [ -n "${input[8]:-}" ] && depths+=(8)
  for depth in "${depths[@]}"; do
    avi=$clip.$depth.avi
    "$drav" encode "${input[$depth]}" "$avi" --frames $frames --keyint 10 -q
    vlc_pictures "$avi" >got.txt
    format=rgb555
    [ "$depth" = 8 ] && format=bgr24
    drav_pictures "$avi" $format "$chroma" "$size" >expected.txt
    same_pictures "$clip, $depth bits" expected.txt got.txt
  done
  echo "$clip: ${depths[*]} bits: VLC shows drav decode's frames"
done
