#!/usr/bin/env bash
# dravdec.sh DRAV GST_FRAMES WORKDIR: dravdec in real pipelines on files drav
# writes. decodebin and playbin pick it from AVI and Matroska; an accurate
# seek between key frames gives the clean decode's frames; a corrupt frame, a
# truncated file and a stream opening with a delta frame give held (or black)
# pictures, warnings naming the frame, and recovery at the next key frame;
# noise does not crash it. (Caps, formats it refuses, reconfiguration and
# errors are the harness tests'.) The plugin comes from GST_PLUGIN_PATH.
set -euo pipefail
drav=$1 gst_frames=$2 work=$3
source "$(dirname "$0")/gst-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
size=64x48

# decode FILE FORMAT OUT: gst-launch-1.0 through decodebin to raw frames in
# OUT, its messages all on stdout. The sink writes each buffer as it comes, so
# dravdec renders the changed rows into buffers it gets back; gst_frames'
# appsink queues them, so dravdec renders whole pictures into new ones.
decode() {
  gst gst-launch-1.0 -v filesrc location="$1" ! decodebin ! "video/x-raw,format=$2" ! \
    filesink buffer-mode=unbuffered location="$3" 2>&1
}
# hashes FILE GST_FORMAT PIX_FMT: the frame hashes of raw frames.
hashes() { frame_hashes -f rawvideo -pix_fmt "$3" -s $size -i "$1" -- "$3"; }

"${ff[@]}" -f lavfi -i testsrc=size=$size:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src32.nut
"${ff[@]}" -i src32.nut -sws_flags neighbor -c:v rawvideo -pix_fmt rgb555le src16.nut
"${ff[@]}" -i src32.nut -vf "split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=none" \
  -c:v rawvideo -pix_fmt pal8 src8.nut
for depth in 32 16 8; do "$drav" encode src$depth.nut clip$depth.avi --keyint 10 -q; done
frame_hashes -i src16.nut -- rgb555le >rgb555.txt
frame_hashes -i src8.nut -- bgr24 >pal8.txt
[ "$(wc -l <rgb555.txt)" = 25 ] || fail "the source has $(wc -l <rgb555.txt) frames"

# Every depth, picked by decodebin, in the stream's natural format and in one
# downstream asks for; the Matroska demuxer's VfW track too.
expect_code 0 decode clip16.avi RGB15 out.raw
expect_text out.txt "GstDravDec:dravdec0"
grep -q WARNING out.txt && fail "a clean file gives warnings: $(grep -A1 WARNING out.txt)"
hashes out.raw RGB15 rgb555le >got.txt
same_hashes "16 bits, exact" rgb555.txt got.txt
expect_code 0 decode clip32.avi RGB15 out.raw
hashes out.raw RGB15 rgb555le >got.txt
same_hashes "32 bits, 5 bits per channel" rgb555.txt got.txt
expect_code 0 decode clip8.avi BGR out.raw
hashes out.raw BGR bgr24 >got.txt
same_hashes "8 bits, the palette's colours" pal8.txt got.txt
expect_code 0 decode clip16.avi BGRx out.raw
"$drav" decode clip16.avi - --format bgr0 -q | hashes - BGRx bgr0 >expected.txt
hashes out.raw BGRx bgr0 >got.txt
same_hashes "16 bits to BGRx, as drav decodes it" expected.txt got.txt
"${ff[@]}" -i clip16.avi -c copy clip16.mkv
expect_code 0 decode clip16.mkv RGB15 out.raw
expect_text out.txt "GstDravDec:dravdec0"
grep -q WARNING out.txt && fail "a clean Matroska file gives warnings: $(grep -A1 WARNING out.txt)"
hashes out.raw RGB15 rgb555le >got.txt
same_hashes "16 bits from Matroska" rgb555.txt got.txt
expect_code 0 gst gst-launch-1.0 playbin uri="file://$work/clip8.avi" video-sink=fakesink audio-sink=fakesink
expect_text out.txt "Got EOS"

# An accurate seek to frame 15 (key frames 0, 10, 20) decodes from frame 10.
expect_code 0 gst "$gst_frames" clip16.avi RGB15 1.5 5
expect_text err.txt "decoder: dravdec"
hashes out.txt RGB15 rgb555le >got.txt
sed -n 16,20p rgb555.txt >expected.txt
same_hashes "frames 15 to 19 after a seek" expected.txt got.txt

# A flipped bit in delta frame 5: a warning; frames 5 to 9 hold frame 4, frame 10 recovers.
cp clip16.avi bad.avi
patch bad.avi $(($(packet_position bad.avi 5) + 8 + 20)) 5a
expect_code 0 decode bad.avi RGB15 out.raw
expect_text out.txt "frame 5: corrupt frame: chunk 1 at byte 0: CodedRect fails its CRC check (stored 0x7E52, computed 0x943D); holding the last good picture until the next key frame"
hashes out.raw RGB15 rgb555le >got.txt
{ sed -n 1,5p rgb555.txt; for _ in 5 6 7 8 9; do sed -n 5p rgb555.txt; done; sed -n '11,$p' rgb555.txt; } >expected.txt
same_hashes "decoding past a corrupt frame" expected.txt got.txt
expect_text out.txt "frame 10: key frame: decoding recovered"
expect_code 0 gst "$gst_frames" bad.avi RGB15 0 0
expect_text err.txt "WARNING: frame 5: corrupt frame"
hashes out.txt RGB15 rgb555le >got.txt
same_hashes "decoding past a corrupt frame into new buffers" expected.txt got.txt

# A file cut inside frame 15: the frames before the cut come out unchanged,
# and the cut is reported.
head -c $(($(packet_position clip16.avi 15) + 20)) clip16.avi >cut.avi
expect_code 0 decode cut.avi RGB15 out.raw
expect_text out.txt "truncated file: the stream ends after frame 14, at 0:00:01.500000000 of the 0:00:01.600000000 the container announces"
hashes out.raw RGB15 rgb555le | head -15 >got.txt
sed -n 1,15p rgb555.txt >expected.txt
same_hashes "frames before the cut" expected.txt got.txt

# Frame 0 marked a delta frame in the index: black until key frame 10.
cp clip16.avi nokey.avi
index=$(grep -obUaP 'idx1' nokey.avi | tail -1 | cut -d: -f1)
patch nokey.avi $((index + 8 + 4)) 00000000
expect_code 0 decode nokey.avi RGB15 out.raw
expect_text out.txt "frame 0: the stream does not start with a key frame: black until the first one"
expect_text out.txt "frame 10: key frame: decoding recovered"
"${ff[@]}" -f lavfi -i color=black:size=$size:rate=10 -frames:v 10 -pix_fmt rgb555le -f rawvideo black.raw
{ hashes black.raw RGB15 rgb555le; sed -n '11,$p' rgb555.txt; } >expected.txt
hashes out.raw RGB15 rgb555le >got.txt
same_hashes "black until the first key frame" expected.txt got.txt

# Noise written over the frames, 8 and 16 bits: any outcome but a crash or a sanitizer report.
for seed in 1 2 3 4 5 6; do
  cp clip$((seed % 2 ? 16 : 8)).avi noisy.avi
  add_noise noisy.avi $seed
  set +e; gst gst-launch-1.0 filesrc location=noisy.avi ! decodebin ! fakesink >out.txt 2>&1; code=$?; set -e
  [ $code -le 1 ] || fail "noise seed $seed: exit code $code: $(tail -5 out.txt)"
done

echo "dravdec: 8, 16 and 32 bits, Matroska, seeking and damage pass"
