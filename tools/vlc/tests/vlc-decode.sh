#!/usr/bin/env bash
# vlc-decode.sh DRAV VLC_FRAMES WORKDIR: the VLC module in libvlc's media
# player (vlc_frames) on files drav writes, every picture compared with drav
# decode's frames: 8, 16 and 32 bits, each chroma, AVI and Matroska; seeking
# at the start and while playing; a corrupt frame, a cut file and a stream
# opening with a delta frame; formats it cannot decode refused; noise without
# a crash; and the encoder through VLC's transcoder into VLC's AVI muxer. The
# module comes from VLC_PLUGIN_PATH.
set -euo pipefail
drav=$1 vlc_frames=$2 work=$3
source "$(dirname "$0")/vlc-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
size=64x48
# Pictures are compared at the normal rate: faster, VLC's video output skips
# a picture whose successor is already due before it showed it.
fast=(--rate 32)  # where pictures are not compared

"${ff[@]}" -f lavfi -i testsrc=size=$size:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src32.nut
"${ff[@]}" -i src32.nut -sws_flags neighbor -c:v rawvideo -pix_fmt rgb555le src16.nut
"${ff[@]}" -i src32.nut -vf "split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=none" \
  -c:v rawvideo -pix_fmt pal8 src8.nut
for depth in 32 16 8; do "$drav" encode src$depth.nut clip$depth.avi --keyint 10 -q; done
"${ff[@]}" -i clip16.avi -c copy clip16.mkv

# expect_pictures WHAT FILE FORMAT [VLC_FRAMES-OPTIONS...]: VLC shows drav decode's
# frames at FORMAT (of the AVI of the same name), in the chroma the decoder chose.
expect_pictures() {
  local what=$1 file=$2 format=$3; shift 3
  vlc_pictures "$file" "$@" >got.txt
  drav_pictures "${file%.*}.avi" "$format" "$chroma" "$size" >expected.txt
  same_pictures "$what" expected.txt got.txt
}

# Every depth in the decoder's chroma, each chroma once: the stream's own
# (RV15 for 16-bit streams, RV24 for 8-bit ones), or the one --drav-chroma names.
cases=(
  # file        --drav-chroma  chroma  drav decode --format
  "clip16.avi   -              RV15    rgb555"
  "clip16.avi   RV16           RV16    rgb565"
  "clip32.avi   -              RV15    rgb555"
  "clip8.avi    -              RV24    bgr24"
  "clip8.avi    RV32           RV32    bgr0"
  "clip16.mkv   -              RV15    rgb555"
)
for entry in "${cases[@]}"; do
  read -r file option want format <<<"$entry"
  args=()
  [ "$option" = - ] || args+=(--vlc "--drav-chroma=$option")
  expect_pictures "$file to $want" "$file" "$format" "${args[@]}"
  [ "$chroma" = "$want" ] || fail "$file: VLC was given $chroma, not $want"
  expect_text vlc.txt "drav debug: 64x48 stream of"
  ! grep -q "drav warning" vlc.txt || fail "$file: a clean file gives warnings: $(cat vlc.txt)"
done

# Starting at 1.5 s (key frames 0, 10, 20): decoding from frame 10, frame 15 shown first.
vlc_pictures clip16.avi --media :start-time=1.5 >got.txt
drav_pictures clip16.avi rgb555 "$chroma" $size | sed -n 16,25p >expected.txt
same_pictures "starting at frame 15" expected.txt got.txt
# A seek back to 0.5 s after 8 pictures: after a flush the decoder starts from
# key frame 0 and frame 5 is shown next; the pictures before it are frames 0
# to at least 7, in order.
vlc_pictures clip16.avi --seek-after 8 --seek-to 0.5 >got.txt
drav_pictures clip16.avi rgb555 "$chroma" $size >expected.txt
python3 - got.txt expected.txt <<'PY' || fail "seeking back to frame 5 while playing: $(tr '\n' ' ' <got.txt)"
import sys
got, want = (open(name).read().split() for name in sys.argv[1:])
after = (want[5:], want[5:-1])  # perhaps without the first and the last (same_pictures)
sys.exit(not any(got[:k] == want[first:first + k] and got[k:] in after
                 for first in (0, 1) for k in range(8 - first, len(want) - first + 1)))
PY
! grep -q "drav warning" vlc.txt || fail "seeking gives warnings: $(cat vlc.txt)"

# A flipped bit in delta frame 5: a warning; frames 5 to 9 hold frame 4, frame 10 recovers.
cp clip16.avi bad.avi
patch bad.avi $(($(packet_position bad.avi 5) + 8 + 20)) 5a
expect_pictures "decoding past a corrupt frame" bad.avi rgb555
expect_text vlc.txt "drav warning: frame 5: corrupt frame: chunk 1 at byte 0: CodedRect fails its CRC check"
expect_text vlc.txt "; holding the last good picture until the next key frame"
expect_text vlc.txt "drav info: frame 10: key frame: decoding recovered"

# Frame 0 whose coded pixels stop decoding half way under a good CRC (the
# second half of its rectangle's codes overwritten, the CRC made again): no
# good picture came yet, so black (not the rows decoded before the failure)
# until key frame 10, as drav decode shows it.
cp clip16.avi undecodable.avi
python3 - undecodable.avi "$(packet_position undecodable.avi 0)" <<'PY'
import sys, struct
path, at = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, "rb").read())
length = struct.unpack_from("<I", data, at + 4)[0]  # of the frame's first chunk, its rectangle
data[at + length // 2:at + length] = b"\xff" * (length - length // 2)
crc = 0  # CRC-16/XMODEM of the chunk from its third byte
for byte in data[at + 2:at + length]:
    crc ^= byte << 8
    for _ in range(8):
        crc = ((crc << 1) ^ 0x1021 if crc & 0x8000 else crc << 1) & 0xFFFF
struct.pack_into("<H", data, at, crc)
open(path, "wb").write(data)
PY
expect_pictures "black until a good key frame" undecodable.avi rgb555
expect_text vlc.txt "drav warning: frame 0: corrupt frame: its coded pixels do not decode"

# A file cut inside frame 15: frames 0 to 14.
head -c $(($(packet_position clip16.avi 15) + 20)) clip16.avi >cut.avi
expect_pictures "a cut file" cut.avi rgb555

# Frame 0 marked a delta frame in the index: black until key frame 10.
cp clip16.avi nokey.avi
index=$(grep -obUaP 'idx1' nokey.avi | tail -1 | cut -d: -f1)
patch nokey.avi $((index + 8 + 4)) 00000000
expect_pictures "black until the first key frame" nokey.avi rgb555
expect_text vlc.txt "drav warning: frame 0: the stream does not start with a key frame: black until the first one"
expect_text vlc.txt "drav info: frame 10: key frame: decoding recovered"

# Formats the codec cannot decode: refused when VLC opens the decoder, with the reason.
refuse() {
  cp clip16.avi refused.avi
  patch refused.avi $(($(grep -obUaP 'strf' refused.avi | head -1 | cut -d: -f1) + 8 + $1)) "$2"
  vlc "$vlc_frames" refused.avi pictures.raw "${fast[@]}" >vlc.out 2>vlc.txt || true
  expect_text vlc.txt "drav error: cannot decode this DRAV stream: $3"
  expect_text vlc.out "pictures 0"
}
refuse 4 70110100 "unsupported picture size 70000x48"  # biWidth 70000
refuse 14 2000 "unsupported depth 32 bits per pixel"  # biBitCount 32

# Noise written over the frames, 8 and 16 bits: any outcome but a crash or a sanitizer report.
for seed in 1 2 3 4 5 6; do
  cp clip$((seed % 2 ? 16 : 8)).avi noisy.avi
  add_noise noisy.avi $seed
  set +e; vlc "$vlc_frames" noisy.avi pictures.raw "${fast[@]}" >vlc.out 2>vlc.txt; code=$?; set -e
  [ $code -le 1 ] && ! grep -q Sanitizer vlc.txt || fail "noise seed $seed: exit code $code: $(tail -5 vlc.txt)"
done

# The encoder: VLC transcodes raw pictures (RV32 and RV15, from AVIs VLC reads
# as such) into DRAV frames in its own AVI muxer; drav reads every frame with
# its CRCs passing and decodes them as the source cut to 5 bits per channel
# (RV32) or exactly (RV15), key frames where keyint puts them.
frame_hashes -i src16.nut -- rgb555le >src16.txt
for pixfmt in bgra rgb555le; do
  "${ff[@]}" -y -i src32.nut -sws_flags neighbor -c:v rawvideo -pix_fmt $pixfmt raw.avi
  vlc "$vlc_frames" raw.avi pictures.raw "${fast[@]}" \
    --media ":sout=#transcode{vcodec=DRAV,venc=drav{keyint=10}}:std{access=file,mux=avi,dst=vlc.avi}" \
    >vlc.out 2>vlc.txt || fail "transcoding $pixfmt: $(cat vlc.txt)"
  "$drav" info vlc.avi >info.txt || fail "drav info on VLC's AVI ($pixfmt): $(cat info.txt)"
  expect_text info.txt "format:      DRAV, 64x48"
  expect_text info.txt "crc check:   every chunk of every frame passes"
  frames=$(sed -n 's/^frames: *//p' info.txt)
  expect_text info.txt "key frames:  3: 0 10 20"
  "$drav" decode vlc.avi - --format rgb555 -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s $size -i - -- rgb555le >got.txt
  head -"$frames" src16.txt >expected.txt
  same_hashes "VLC's encoder, $pixfmt in" expected.txt got.txt
done
echo "VLC: 8, 16 and 32 bits, every chroma, Matroska, seeking, damage, refusals and the encoder pass" \
  "(VLC's AVI muxer kept $frames of 25 frames)"
