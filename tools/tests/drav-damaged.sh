#!/usr/bin/env bash
# drav-damaged.sh DRAV WORKDIR: corrupt and truncated DRAV files, files that
# are not DRAV streams, and formats the codec cannot take: clear messages
# naming file and frame, the exit codes of --help, no crash.
set -euo pipefail
drav=$1 work=$2
source "$(dirname "$0")/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"

# format_offset FILE: where the stream's BITMAPINFOHEADER starts.
format_offset() { grep -obUaP 'strf' "$1" | head -1 | awk -F: '{ print $1 + 8 }'; }

"${ff[@]}" -f lavfi -i testsrc=size=66x48:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src.nut
"$drav" encode src.nut good.avi --keyint 10 -q
"$drav" decode good.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >good.txt
[ "$(wc -l <good.txt)" = 25 ] || fail "the clean stream has $(wc -l <good.txt) frames"

# A flipped bit in delta frame 5: reported, frames 5 to 9 hold frame 4, frame 10 recovers.
cp good.avi bad.avi
patch bad.avi $(($(packet_position bad.avi 5) + 8 + 20)) 5a
expect_code 3 "$drav" decode bad.avi bad.nut
expect_text err.txt "bad.avi: frame 5: corrupt frame: chunk 1 at byte 0: CodedRect fails its CRC check"
expect_text err.txt "holding the last good picture until the next key frame"
expect_text err.txt "bad.avi: frame 10: key frame: decoding recovered"
frame_hashes -i bad.nut -- rgb555le >got.txt
{ sed -n 1,5p good.txt; for _ in 5 6 7 8 9; do sed -n 5p good.txt; done; sed -n '11,$p' good.txt; } >expected.txt
same_hashes "decoding past a corrupt frame" expected.txt got.txt

expect_code 3 "$drav" decode bad.avi strict.nut --strict
expect_text err.txt "bad.avi: frame 5: corrupt frame"
expect_text err.txt "stopped"
frame_hashes -i strict.nut -- rgb555le >got.txt
sed -n 1,5p good.txt >expected.txt
same_hashes "--strict stops at the corrupt frame" expected.txt got.txt

expect_code 3 "$drav" info bad.avi
expect_text out.txt "crc check:   1 frames fail: 5"
grep -E '^ +5 .* BAD +chunk 1 at byte 0: CodedRect fails its CRC check' out.txt >/dev/null || fail "info does not mark frame 5: $(cat out.txt)"
expect_code 0 "$drav" info good.avi
expect_text out.txt "crc check:   every chunk of every frame passes"
expect_text out.txt "key frames:  3: 0 10 20"

# A file cut inside frame 15: the frames before it come out, and the cut is reported.
head -c $(($(packet_position good.avi 15) + 20)) good.avi >cut.avi
expect_code 3 "$drav" decode cut.avi cut.nut
expect_text err.txt "truncated file"
frame_hashes -i cut.nut -- rgb555le | head -15 >got.txt
sed -n 1,15p good.txt >expected.txt
same_hashes "frames before the cut" expected.txt got.txt
expect_code 3 "$drav" info cut.avi
expect_text err.txt "cut.avi: truncated file"
head -c 300 good.avi >header-only.avi
set +e; "$drav" decode header-only.avi x.nut 2>err.txt; code=$?; set -e
[ $code = 1 ] || [ $code = 3 ] || fail "a header-only file gave exit code $code"

# Files that are not DRAV streams.
"${ff[@]}" -i src.nut -c:v zmbv other.avi
expect_code 1 "$drav" decode other.avi x.nut
expect_text err.txt "other.avi: not a DRAV stream: its video is ZMBV, not DRAV"
expect_code 1 "$drav" info src.nut
expect_text err.txt "src.nut: not a DRAV stream: a nut file, not an AVI"
head -c 5000 /dev/urandom >noise.avi
expect_code 1 "$drav" decode noise.avi x.nut
expect_text err.txt "noise.avi: not a DRAV stream"

# Formats the codec cannot take.
cp good.avi depth.avi; patch depth.avi $(($(format_offset depth.avi) + 14)) 2000
expect_code 1 "$drav" decode depth.avi x.nut
expect_text err.txt "depth.avi: unsupported depth 32 bits per pixel"
cp good.avi wide.avi; patch wide.avi $(($(format_offset wide.avi) + 4)) 70110100
expect_code 1 "$drav" decode wide.avi x.nut
expect_text err.txt "wide.avi: unsupported picture size 70000x48"
cp good.avi topdown.avi; patch topdown.avi $(($(format_offset topdown.avi) + 8)) d0ffffff
expect_code 1 "$drav" decode topdown.avi x.nut
expect_text err.txt "topdown.avi: unsupported picture size 66x-48"

# A file whose index is lost: FFmpeg finds its frames without key flags, so
# the frames' bytes tell. Every delta frame's rectangle covers the picture
# (its corners change) and keeps its middle; a corrupt frame 5, which also
# changes the middle, holds frame 4 until key frame 10.
python3 -c "
w, h = 66, 48
base = bytes((x * 3 & 248, y * 5 & 248, (x + y) * 7 & 248, 0)[c] for y in range(h) for x in range(w) for c in range(4))
out = bytearray()
for i in range(20):
    f = bytearray(base)
    for p in (0, w * h - 1):
        f[4 * p:4 * p + 3] = bytes((i * 40 & 248, 128, 16))
    if i >= 5:
        f[4 * (24 * w + 33):4 * (24 * w + 33) + 3] = bytes((248, 248, 248))
    out += f
open('corners.raw', 'wb').write(out)"
"$drav" encode corners.raw corners.avi --input-format rawvideo --input-option video_size=66x48 \
  --input-option pixel_format=bgr0 --input-option framerate=10 --keyint 10 -q
head -c "$(grep -obUa idx1 corners.avi | tail -1 | cut -d: -f1)" corners.avi >no-index.avi
expect_code 0 "$drav" info --brief no-index.avi
expect_text out.txt "key frames:  2: 0 10 (20 frames have no index entry: told from their bytes)"
"$drav" decode corners.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s 66x48 -i - -- rgb555le >good.txt
patch no-index.avi $(($(packet_position corners.avi 5) + 8 + 20)) 5a
expect_code 3 "$drav" decode no-index.avi held.nut
expect_text err.txt "no-index.avi: frame 10: key frame: decoding recovered"
frame_hashes -i held.nut -- rgb555le >got.txt
{ sed -n 1,5p good.txt; for _ in 5 6 7 8 9; do sed -n 5p good.txt; done; sed -n '11,$p' good.txt; } >expected.txt
same_hashes "a file without index, past a corrupt frame" expected.txt got.txt

# Noise written over the frames: any exit code but a crash or a sanitizer report.
for seed in 1 2 3 4 5 6; do
  cp good.avi noisy.avi
  add_noise noisy.avi $seed
  set +e; "$drav" decode noisy.avi noisy.nut -q 2>err.txt; code=$?; set -e
  [ $code -le 3 ] || fail "noise seed $seed: exit code $code: $(cat err.txt)"
  set +e; "$drav" info noisy.avi >/dev/null 2>err.txt; code=$?; set -e
  [ $code -le 3 ] || fail "info, noise seed $seed: exit code $code: $(cat err.txt)"
done
echo "drav damaged input: all checks passed"
