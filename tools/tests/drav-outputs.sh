#!/usr/bin/env bash
# drav-outputs.sh DRAV WORKDIR: decoding to the outputs FFmpeg offers (PNG
# sequence, uncompressed AVI, FFV1 in Matroska, raw frames on a pipe) in every
# renderer format, and at other sizes; a write that fails.
set -euo pipefail
drav=$1 work=$2
source "$(dirname "$0")/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"

"${ff[@]}" -f lavfi -i testsrc=size=66x48:rate=10:duration=1 -c:v rawvideo -pix_fmt bgr0 src.nut
"$drav" encode src.nut drav.avi -q
# The decoder's pixels are the source's cut to 5 bits per channel; at 8 bits
# per channel the three low bits are 0.
frame_hashes -i src.nut -sws_flags neighbor -- rgb555le >expected555.txt
frame_hashes -i src.nut -vf 'lutrgb=r=bitand(val\,248):g=bitand(val\,248):b=bitand(val\,248)' -- bgr24 >expected24.txt

"$drav" decode drav.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >got.txt
same_hashes "raw frames on a pipe, the default format" expected555.txt got.txt
for format in bgr24 bgr0; do
  "$drav" decode drav.avi - --format $format -q | frame_hashes -f rawvideo -pix_fmt $format -s 66x48 -i - -- bgr24 >got.txt
  same_hashes "raw $format frames" expected24.txt got.txt
done
"$drav" decode drav.avi - --format rgb565 -q |
  frame_hashes -f rawvideo -pix_fmt rgb565le -s 66x48 -i - -sws_flags neighbor -- rgb555le >got.txt
same_hashes "raw rgb565 frames" expected555.txt got.txt

expect_code 0 "$drav" decode drav.avi ffv1.mkv --codec ffv1 --format bgr0
frame_hashes -i ffv1.mkv -- bgr24 >got.txt
same_hashes "FFV1 in Matroska" expected24.txt got.txt
expect_code 0 "$drav" decode drav.avi raw.avi
ffprobe -v error -show_streams raw.avi >streams.txt
expect_text streams.txt "codec_name=rawvideo"
frame_hashes -i raw.avi -- rgb555le >got.txt
same_hashes "uncompressed AVI" expected555.txt got.txt
mkdir png && expect_code 0 "$drav" decode drav.avi png/frame%03d.png --format bgr24
[ "$(ls png | tr '\n' ' ')" = "$(printf 'frame%03d.png ' $(seq 0 9))" ] || fail "PNG sequence: $(ls png)"
expect_code 0 "$drav" decode drav.avi one.png --frames 1
[ -s one.png ] || fail "one picture: no one.png"
frame_hashes -i png/frame%03d.png -- bgr24 >got.txt
same_hashes "PNG sequence" expected24.txt got.txt
# Every container FFmpeg writes that takes a lossless encoder gets one by
# default, with every pixel kept: Matroska takes FFV1 (not uncompressed RGB),
# MP4 and FLV H.264 in RGB, WebM VP9.
for extension in mkv mp4 mov webm avi nut flv apng; do
  expect_code 0 "$drav" decode drav.avi default.$extension -q
  frame_hashes -i default.$extension -vf 'lutrgb=r=bitand(val\,248):g=bitand(val\,248):b=bitand(val\,248)' -- bgr24 >got.txt
  same_hashes "the default encoder of .$extension" expected24.txt got.txt
done
expect_code 2 "$drav" decode drav.avi out.unknownextension
expect_text err.txt "give --container"
expect_code 2 "$drav" decode drav.avi x.nut --codec no-such-codec

# Other sizes: every frame at the asked size; the two half-size forms differ.
"$drav" decode drav.avi - --size 33x24 -q | wc -c >bytes.txt
[ "$(cat bytes.txt)" = $((33 * 24 * 2 * 10)) ] || fail "33x24 output has $(cat bytes.txt) bytes"
"$drav" decode drav.avi half.nut --size 33x24 -q
"$drav" decode drav.avi smooth.nut --size 33x24 --smooth-half -q
frame_hashes -i half.nut -- rgb555le >half.txt
frame_hashes -i smooth.nut -- rgb555le >smooth.txt
[ "$(wc -l <smooth.txt)" = 10 ] || fail "smoothed output frames"
! cmp -s half.txt smooth.txt || fail "--smooth-half made no difference"
expect_code 0 "$drav" decode drav.avi big.nut --size 200x97 -q
ffprobe -v error -show_streams big.nut >streams.txt
expect_text streams.txt "width=200"
expect_text streams.txt "height=97"
# A write that fails on the writing thread ends the decode with its error.
expect_code 1 "$drav" decode drav.avi /dev/full --container rawvideo -q
expect_text err.txt "/dev/full: cannot write: No space left on device"
echo "drav outputs: all checks passed"
