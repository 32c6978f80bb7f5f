#!/usr/bin/env bash
# probe-avi.sh FILE RAW_DIR first|last DEPTH FRAMES KEY_EVERY: ffprobe finds one
# DRAV video stream in FILE, which avi_test wrote from the first or last clip
# at DEPTH bits in RAW_DIR/clips.txt: the clip's size, its first FRAMES frames
# (fewer when the clip is shorter) and a key frame every KEY_EVERY frames.
set -euo pipefail
file=${1:?file} raw=${2:?raw dir} position=${3:?first or last} depth=${4:?} wanted=${5:?} every=${6:?}
clip=$(awk -v depth="$depth" '{ for (i = 2; i <= NF; ++i) if ($i == depth) print $1 }' "$raw/clips.txt" |
  if [ "$position" = first ]; then head -1; else tail -1; fi)
case $depth in 32) fmt=bgr0 ;; 16) fmt=rgb555le ;; *) fmt=pal8 ;; esac
info() { sed -n "s/^$1=//p" "$raw/$clip.$fmt.info"; }
width=$(info width) height=$(info height) frames=$(info frames)
[ "$frames" -lt "$wanted" ] || frames=$wanted
keys=$(((frames + every - 1) / every))
stream=$(ffprobe -v error -count_packets -select_streams v:0 \
  -show_entries stream=codec_tag_string,width,height,nb_frames,nb_read_packets -of default=noprint_wrappers=1 "$file")
expected=$(printf 'width=%s\nheight=%s\ncodec_tag_string=DRAV\nnb_frames=%s\nnb_read_packets=%s' \
  "$width" "$height" "$frames" "$frames")
got_keys=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$file" | grep -c K || true)
status=0
[ "$(sort <<<"$stream")" = "$(sort <<<"$expected")" ] || { echo "stream: $stream"; echo "expected: $expected"; status=1; }
[ "$got_keys" = "$keys" ] || { echo "key frames: $got_keys, expected $keys"; status=1; }
exit $status
