#!/usr/bin/env bash
# probe-avi.sh FILE NAME WIDTH HEIGHT FRAMES KEYFRAMES: ffprobe finds one DRAV
# video stream of that size, that many frames and key frames.
set -euo pipefail
file=${1:?file}; width=${3:?}; height=${4:?}; frames=${5:?}; keys=${6:?}
stream=$(ffprobe -v error -count_packets -select_streams v:0 \
  -show_entries stream=codec_tag_string,width,height,nb_frames,nb_read_packets -of default=noprint_wrappers=1 "$file")
expected=$(printf 'width=%s\nheight=%s\ncodec_tag_string=DRAV\nnb_frames=%s\nnb_read_packets=%s' \
  "$width" "$height" "$frames" "$frames")
got_keys=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$file" | grep -c K || true)
status=0
[ "$(sort <<<"$stream")" = "$(sort <<<"$expected")" ] || { echo "stream: $stream"; echo "expected: $expected"; status=1; }
[ "$got_keys" = "$keys" ] || { echo "key frames: $got_keys, expected $keys"; status=1; }
exit $status
