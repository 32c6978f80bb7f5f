#!/usr/bin/env bash
# drav-cli.sh DRAV WORKDIR: the command line, exit codes, and the AVI that
# drav writes as ffprobe sees it (header, frame count, index and key frames),
# from synthetic input of every kind drav reads.
set -euo pipefail
drav=$1 work=$2
source "$(dirname "$0")/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"

# Help for every command; exit codes a script can rely on.
for command in "" encode decode info; do
  expect_code 0 "$drav" $command --help
  expect_text out.txt "usage: drav"
done
expect_code 0 "$drav" --version
expect_code 2 "$drav"
expect_code 2 "$drav" frob
expect_code 2 "$drav" encode only-one-name
expect_code 2 "$drav" decode a.avi b --size 10
expect_code 1 "$drav" encode missing.mkv out.avi
expect_text err.txt "missing.mkv: cannot open"
[ ! -e out.avi ] || fail "a failed encode left out.avi"

# 66x48 (rows of 16-bit pixels need padding), 25 frames at 10 per second.
"${ff[@]}" -f lavfi -i testsrc=size=66x48:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src.nut

# The header and index as ffprobe reports them.
expect_code 0 "$drav" encode src.nut out.avi --keyint 10
ratio=$(sed -n 's/.*; ratio //p' err.txt)
[ -n "$ratio" ] || fail "encode gave no ratio: $(cat err.txt)"
ffprobe -v error -show_streams out.avi >streams.txt
for field in codec_type=video codec_tag_string=DRAV width=66 height=48 r_frame_rate=10/1 nb_frames=25; do
  expect_text streams.txt "$field"
done
[ "$(grep -c '^\[STREAM\]' streams.txt)" = 1 ] || fail "more than one stream"
# One compression ratio, the same from encode and info: the 16-bit frames the
# stream decodes to (not the 32-bit input) against the compressed frames.
expect_code 0 "$drav" info --brief out.avi
expect_text out.txt "ratio:       $ratio"
expect_text out.txt "16-bit DIB frames 158400 bytes, compressed frames"
ffprobe -v error -show_packets -of csv=p=0 -show_entries packet=flags out.avi | cut -c1 >flags.txt
[ "$(grep -n K flags.txt | cut -d: -f1 | tr '\n' ' ')" = "1 11 21 " ] || fail "key frames: $(tr -d '\n' <flags.txt)"
ffprobe -v error -show_packets -of csv=p=0 -show_entries packet=size out.avi | cut -d, -f1 >probed-sizes.txt
"$drav" info out.avi | awk '$1 ~ /^[0-9]+$/ && NF >= 4 { print ($2 == "key" ? $3 : $2) }' >info-sizes.txt
same_hashes "frame sizes, ffprobe and drav info" probed-sizes.txt info-sizes.txt

# The default key-frame interval is the driver's: every 100 frames.
"${ff[@]}" -f lavfi -i testsrc=size=16x16:rate=50:duration=4.2 -c:v rawvideo -pix_fmt bgr0 long.nut
expect_code 0 "$drav" encode long.nut long.avi -q
ffprobe -v error -show_packets -of csv=p=0 -show_entries packet=flags long.avi | cut -c1 >flags.txt
[ "$(grep -n K flags.txt | cut -d: -f1 | tr '\n' ' ')" = "1 101 201 " ] || fail "default key frames"

# Paletted input: 8 bits by default, with the all-zero colour table.
"${ff[@]}" -i src.nut -c:v rawvideo -pix_fmt pal8 pal.avi
expect_code 0 "$drav" encode pal.avi pal-drav.avi -q
expect_code 0 "$drav" info --brief pal-drav.avi
expect_text out.txt "8 bits per pixel (palette)"
ffprobe -v error -show_streams pal-drav.avi >streams.txt
expect_text streams.txt "extradata_size=1024"
# ...and true-colour input cannot be made 8-bit.
expect_code 1 "$drav" encode src.nut bad.avi --depth 8
expect_text err.txt "src.nut: frame 0: 8-bit encoding needs paletted input"

# RGB555 input: 16 bits by default.
"${ff[@]}" -i src.nut -sws_flags neighbor -c:v rawvideo -pix_fmt rgb555le rgb555.nut
expect_code 0 "$drav" encode rgb555.nut rgb555-drav.avi -q
expect_code 0 "$drav" info --brief rgb555-drav.avi
expect_text out.txt "16 bits per pixel (RGB555)"

# A pipe, raw frames with demuxer options, and a PNG sequence give the same stream.
frame_hashes -i src.nut -sws_flags neighbor -- rgb555le >expected.txt
cat src.nut | "$drav" encode - piped.avi -q
"$drav" decode piped.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >got.txt
same_hashes "pipe input" expected.txt got.txt
"${ff[@]}" -i src.nut -f rawvideo raw.bgr0
expect_code 0 "$drav" encode raw.bgr0 raw.avi --input-format rawvideo --input-option video_size=66x48 \
  --input-option pixel_format=bgr0 --input-option framerate=10 -q
"$drav" decode raw.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >got.txt
same_hashes "raw input" expected.txt got.txt
expect_code 2 "$drav" encode raw.bgr0 raw.avi --input-format rawvideo --input-option video_size=66x48 \
  --input-option no_such_option=1
expect_text err.txt "the input format has no option \"no_such_option\""
mkdir png && "${ff[@]}" -i src.nut png/shot%03d.png
expect_code 0 "$drav" encode png/shot%03d.png png.avi -q
"$drav" decode png.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >got.txt
same_hashes "PNG sequence input" expected.txt got.txt
expect_code 1 "$drav" encode src.nut -
expect_text err.txt "an AVI needs a file"

# Frames compressed side by side make the AVI one compressor makes, at every
# depth and whatever the key frames; also from RGB555 rows read where the
# decoder put them, 33 pixels wide (no padding to 4 bytes).
"${ff[@]}" -i src.nut -vf crop=33:48:0:0 -sws_flags neighbor -c:v rawvideo -pix_fmt rgb555le odd.nut
for input in "src.nut" "src.nut --depth 16" "odd.nut" "pal.avi"; do
  for keyint in 100 1 7; do
    "$drav" encode $input one.avi --keyint $keyint --jobs 1 -q
    "$drav" encode $input many.avi --keyint $keyint --jobs 3 -q
    cmp -s one.avi many.avi || fail "$input, key frames every $keyint: --jobs 3 made another AVI"
  done
done

# --frames stops early.
expect_code 0 "$drav" encode src.nut short.avi --frames 7 -q
ffprobe -v error -show_streams short.avi >streams.txt
expect_text streams.txt "nb_frames=7"
echo "drav command line: all checks passed"
