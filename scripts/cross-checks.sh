#!/usr/bin/env bash
# cross-checks.sh NATIVE_BUILD WIN_BUILD [WIN64_BUILD]: the Linux tool and the
# Windows driver read each other's files, and with WIN64_BUILD the 32-bit and
# 64-bit drivers too. WIN_BUILD is the 32-bit tree, or the x86-64 one alone on
# a machine that runs no 32-bit programs (its driver, DRAV64.VCM, then stands
# in every check).
#   drav -> driver: drav encodes the recordings' inputs; read_avi.exe, under
#     Wine, plays them back through the driver installed in WIN_BUILD/wineprefix
#     and compares every frame with the raw frames the driver tests use.
#   dravenc -> driver: the same, the frames compressed by dravenc in a
#     GStreamer pipeline (NATIVE_BUILD's plugin) from raw BGRx and RGB15, and
#     a recording of the X display made with ximagesrc.
#   driver -> drav: drav decodes the AVIs the driver tests wrote through
#     avifil32, checked against the recordings with FFmpeg's frame hashes.
#   driver -> dravdec: GStreamer's decodebin picks the native build's dravdec
#     for the same AVIs and gives the same frames; gst-play-1.0 plays one to
#     the end.
#   driver -> VLC: libvlc's media player shows every picture of the same AVIs
#     (and the 64-bit driver's) through the native build's VLC module as drav
#     decodes them (tools/vlc/tests/vlc_frames).
#   VLC -> driver: VLC's transcoder records a clip through the module's
#     encoder into VLC's own AVI muxer; drav decodes it exactly, and the
#     driver plays it back under Wine.
#   32-bit <-> 64-bit (WIN64_BUILD, built from the same sources with the x86-64
#     toolchain and tested in its own 64-bit prefix): both drivers compress the
#     same frames at 8, 16 and 32 bits into byte-identical frames (the AVIs the
#     driver tests wrote, compared packet by packet), and each plays back the
#     other's AVIs through avifil32 exactly; drav reads the 64-bit driver's AVIs.
# The clips are those of the driver tests (clips.txt in WIN_BUILD's corpus): the
# first for 32 bits, the last for 16 and 8, whatever their size and rate.
# Run after the Windows tests, with the prefixes' wineservers running. Prints
# one line per check and "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "${1:?native build dir}" && pwd)
win=$(cd "${2:?windows build dir}" && pwd)
win64=${3:+$(cd "$3" && pwd)}
drav=$native/tools/drav
read_avi=$win/driver/tests/read_avi.exe
written=$win/driver/tests                # the driver tests' AVIs
# corpus_of BUILD: where BUILD derived the recordings' inputs and raw bottom-up frames.
corpus_of() { sed -n 's/^DRAV_CORPUS_RAW_DIR:PATH=//p' "$1/CMakeCache.txt"; }
corpus_raw=$(corpus_of "$win")
source "$root/tools/gst/tests/dravenc-lib.sh"  # and the tool tests' test-lib.sh
source "$root/tools/vlc/tests/vlc-lib.sh"
vlc_frames=$native/tools/vlc/tests/vlc_frames
export VLC_PLUGIN_PATH=$native/tools/vlc

# WIN_BUILD's prefix and driver, 32-bit or 64-bit.
source "$root/scripts/wine-session.sh"
if [ -f "$win/driver/DRAV32.VCM" ]; then
  driver=DRAV32.VCM; use_prefix "$win/wineprefix" win32
else
  driver=DRAV64.VCM; use_prefix "$win/wineprefix" win64
fi
wine_run() { wine "$@" </dev/null; }
# The 64-bit build's programs, in its own prefix, through the 64-bit loader.
wine64_run() { WINEPREFIX=$win64/wineprefix /usr/lib/wine/wine64 "$@" </dev/null; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# check NAME COMMAND...: runs one check in its own shell, which stops at the
# first failing command (test_lib's `fail` included), and reports it on one line.
# Not inside `if`: that would switch errexit off in the subshell.
check() {
  local name=$1 log=$work/log status; shift
  (set -e; "$@") >"$log" 2>&1
  status=$?
  if [ $status = 0 ]; then
    echo "PASS  $name"; passed=$((passed + 1))
  else
    echo "FAIL  $name"; sed 's/^/      /' "$log" | tail -5; failed=$((failed + 1))
  fi
}

# clip first|last DEPTH: the clip's name, as the driver tests chose it.
clip() {
  awk -v depth="$2" '{ for (i = 2; i <= NF; ++i) if ($i == depth) print $1 }' "$corpus_raw/clips.txt" |
    if [ "$1" = first ]; then head -1; else tail -1; fi
}

# info CLIP DEPTH KEY: a field of the clip's raw frames at the depth.
info() {
  local fmt
  case $2 in 32) fmt=bgr0 ;; 16) fmt=rgb555le ;; *) fmt=pal8 ;; esac
  sed -n "s/^$3=//p" "$corpus_raw/$1.$fmt.info"
}

# frames CLIP DEPTH WANTED: WANTED, or all the clip's frames when it has fewer.
frames() { local n; n=$(info "$1" "$2" frames); echo $((n < $3 ? n : $3)); }

# drav_to_driver SOURCE DEPTH RAW FRAMES: drav encodes the first FRAMES frames
# of SOURCE at DEPTH bits (a key frame every 10, so the driver meets key frames
# inside the stream too); the driver's pictures must match RAW.
drav_to_driver() {
  local source=$1 depth=$2 raw=$3 frames=$4 avi
  avi=$work/$(basename "$source").$depth.avi
  "$drav" encode "$source" "$avi" --depth "$depth" --frames "$frames" --keyint 10 -q
  wine_run "$read_avi" "$avi" "$raw" "$depth" "$frames"
}

# dravenc_to_driver SOURCE DEPTH RAW FRAMES: as drav_to_driver, through dravenc.
dravenc_to_driver() {
  local source=$1 depth=$2 raw=$3 frames=$4 avi pixfmt=bgr0
  [ "$depth" = 16 ] && pixfmt=rgb555le
  avi=$work/$(basename "$source").dravenc.avi
  dravenc_avi "$native/tools/gst" "$source" $pixfmt "$frames" 10 "$avi"
  wine_run "$read_avi" "$avi" "$raw" "$depth" "$frames"
}

# screen_to_driver FRAMES: the screen (the X display Wine uses) recorded with
# ximagesrc, videoconvert and dravenc at RGB15, as a user records on Linux;
# the driver plays it back under Wine exactly as drav decodes it.
screen_to_driver() {
  local frames=$1 avi=$work/screen.avi size clock
  xclock -digital -update 1 -geometry 320x60+40+30 & clock=$!
  sleep 1  # the clock on the screen before the first frame
  GST_PLUGIN_PATH=$native/tools/gst GST_REGISTRY=$work/registry.bin gst gst-launch-1.0 -q ximagesrc use-damage=false \
    num-buffers="$frames" ! videoconvert ! video/x-raw,format=RGB15,framerate=10/1 ! dravenc key-interval=4 ! \
    dravavisink location="$avi" || { kill $clock; fail "the screen recording failed"; }
  kill $clock
  size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "$avi")
  # read_avi.exe compares with bottom-up frames, as DIBs hold them.
  "$drav" decode "$avi" - --format rgb555 -q |
    "${ff[@]}" -f rawvideo -pix_fmt rgb555le -s "$size" -i - -vf vflip -f rawvideo "$work/screen.raw"
  wine_run "$read_avi" "$avi" "$work/screen.raw" 16 "$frames"
}

# driver_to_drav AVI FORMAT PIX_FMT FRAMES SIZE FFMPEG-INPUT-ARGS...: drav reads the
# driver's file with every checksum passing, and decodes it to frames whose
# hashes equal the corpus frames FFmpeg reads with the given arguments.
driver_to_drav() {
  local avi=$1 format=$2 pixfmt=$3 frames=$4 size=$5; shift 5
  [ -f "$avi" ] || fail "$avi is missing: run the driver tests first"
  "$drav" info --brief "$avi" >"$work/info.txt" || fail "drav info reports damage: $(cat "$work/info.txt")"
  expect_text "$work/info.txt" "frames:      $frames"
  frame_hashes "$@" -frames:v "$frames" -- "$pixfmt" >"$work/expected.txt"
  "$drav" decode "$avi" - --format "$format" -q |
    frame_hashes -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i - -- "$pixfmt" >"$work/got.txt"
  same_hashes "$(basename "$avi")" "$work/expected.txt" "$work/got.txt"
}

# driver_to_dravdec AVI FORMAT PIX_FMT FRAMES SIZE FFMPEG-INPUT-ARGS...: as
# driver_to_drav, with decodebin, which must pick dravdec, decoding to the
# GStreamer format of drav's FORMAT (rgb555: RGB15, bgr24: BGR).
driver_to_dravdec() {
  local avi=$1 gst_format=$2 pixfmt=$3 frames=$4 size=$5; shift 5
  [ -f "$avi" ] || fail "$avi is missing: run the driver tests first"
  case $gst_format in rgb555) gst_format=RGB15 ;; bgr24) gst_format=BGR ;; esac
  frame_hashes "$@" -frames:v "$frames" -- "$pixfmt" >"$work/expected.txt"
  GST_PLUGIN_PATH=$native/tools/gst GST_REGISTRY=$work/registry.bin gst gst-launch-1.0 -v filesrc location="$avi" ! \
    decodebin ! "video/x-raw,format=$gst_format" ! filesink location="$work/dravdec.raw" >"$work/gst.txt" 2>&1 ||
    fail "gst-launch-1.0: $(grep -v '^/Gst' "$work/gst.txt")"
  grep -q "GstDravDec:dravdec0" "$work/gst.txt" || fail "decodebin did not pick dravdec"
  frame_hashes -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i "$work/dravdec.raw" -- "$pixfmt" >"$work/got.txt"
  same_hashes "$(basename "$avi") through dravdec" "$work/expected.txt" "$work/got.txt"
}

# driver_to_player AVI FRAMES: gst-play-1.0, GStreamer's command-line player,
# plays the driver's file to the end through dravdec, every frame reaching its
# video sink (it exits 0 whatever happens, so its verbose output decides).
driver_to_player() {
  local avi=$1 frames=$2 shown
  GST_PLUGIN_PATH=$native/tools/gst GST_REGISTRY=$work/registry.bin gst gst-play-1.0 -v \
    --videosink="fakesink sync=false silent=false" --audiosink=fakesink "$avi" >"$work/play.txt" 2>&1
  grep -q "GstDravDec:dravdec0" "$work/play.txt" || fail "gst-play-1.0 did not play through dravdec"
  shown=$(grep -c "last-message = chain" "$work/play.txt")
  [ "$shown" = "$frames" ] || fail "gst-play-1.0 showed $shown of $frames frames"
}

# The driver as the driver tests' fixture installs it, in case they did not run.
check "driver installed in $WINEPREFIX" put_driver_in_place "$win/driver/$driver"
last16=$(clip last 16) first32=$(clip first 32) last8=$(clip last 8)
check "drav -> driver: $last16, 16 bits, exact" \
  drav_to_driver "$(info "$last16" 16 source)" 16 "$(info "$last16" 16 raw)" "$(frames "$last16" 16 24)"
check "drav -> driver: $first32, 32 bits, 5 bits per channel" \
  drav_to_driver "$(info "$first32" 32 source)" 32 "$(info "$first32" 32 raw)" "$(frames "$first32" 32 24)"
check "drav -> driver: $last8, 8 bits, palette colours" \
  drav_to_driver "$(info "$last8" 8 source)" 8 "$(info "$last8" 8 raw)" "$(frames "$last8" 8 12)"
check "dravenc -> driver: $last16, RGB15, exact" \
  dravenc_to_driver "$(info "$last16" 16 source)" 16 "$(info "$last16" 16 raw)" "$(frames "$last16" 16 24)"
check "dravenc -> driver: $first32, BGRx, 5 bits per channel" \
  dravenc_to_driver "$(info "$first32" 32 source)" 32 "$(info "$first32" 32 raw)" "$(frames "$first32" 32 24)"
check "screen -> dravenc -> driver: a recording of the X display, exact" screen_to_driver 12
# The driver's files through drav, then through GStreamer's dravdec.
for reader in drav dravdec; do
  check "driver -> $reader: recording-rgb555.avi ($last16), exact" \
    driver_to_$reader "$written/recording-rgb555.avi" rgb555 rgb555le "$(frames "$last16" 16 24)" \
    "$(info "$last16" 16 width)x$(info "$last16" 16 height)" -i "$(info "$last16" 16 source)"
  check "driver -> $reader: recording-bgr0.avi ($first32), 5 bits per channel" \
    driver_to_$reader "$written/recording-bgr0.avi" rgb555 rgb555le "$(frames "$first32" 32 12)" \
    "$(info "$first32" 32 width)x$(info "$first32" 32 height)" -i "$(info "$first32" 32 source)" -sws_flags neighbor
  check "driver -> $reader: recording-pal8.avi ($last8), palette colours" \
    driver_to_$reader "$written/recording-pal8.avi" bgr24 bgr24 "$(frames "$last8" 8 12)" \
    "$(info "$last8" 8 width)x$(info "$last8" 8 height)" -i "$(info "$last8" 8 source)"
done
check "driver -> gst-play-1.0: recording-rgb555.avi ($last16), to the end" \
  driver_to_player "$written/recording-rgb555.avi" "$(frames "$last16" 16 24)"

# driver_to_vlc AVI FORMAT: libvlc's media player shows the driver's file as
# drav decode decodes it at FORMAT (VLC itself may leave out the first and
# the last picture: same_pictures).
driver_to_vlc() {
  local avi=$1 format=$2
  [ -f "$avi" ] || fail "$avi is missing: run the driver tests first"
  cd "$work"
  vlc_pictures "$avi" >vlc-got.txt
  drav_pictures "$avi" "$format" "$chroma" "$size" >vlc-expected.txt
  same_pictures "$(basename "$avi") in VLC" vlc-expected.txt vlc-got.txt
}

# vlc_to_driver SOURCE RAW: VLC transcodes the first 2 s of SOURCE, a raw
# RGB555 AVI it reads as RV15, through the module's encoder into its AVI
# muxer; drav decodes every frame exactly as the source's, and read_avi.exe
# plays the file through the driver under Wine. VLC's muxer sets
# AVIF_TRUSTCKTYPE and stores every frame in a 00dc chunk, so avifil32 takes
# frame 0 for the only key frame: every check but that of the key frames
# must pass.
vlc_to_driver() {
  local source=$1 raw=$2 avi=$work/vlc.avi frames
  cd "$work"
  vlc "$vlc_frames" "$source" pictures.raw --rate 32 --media :stop-time=2 \
    --media ":sout=#transcode{vcodec=DRAV,venc=drav{keyint=10}}:std{access=file,mux=avi,dst=$avi}" >vlc.out 2>vlc.txt ||
    fail "VLC's transcoder: $(cat vlc.txt)"
  frames=$("$drav" info --brief "$avi" | sed -n 's/^frames: *//p')
  [ "${frames:-0}" -gt 10 ] || fail "VLC's AVI holds ${frames:-no} frames"
  frame_hashes -i "$source" -frames:v "$frames" -- rgb555le >expected.txt
  "$drav" decode "$avi" - --format rgb555 -q | frame_hashes -f rawvideo -pix_fmt rgb555le \
    -s "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "$avi")" -i - -- rgb555le >got.txt
  same_hashes "VLC's AVI through drav" expected.txt got.txt
  wine_run "$read_avi" "$avi" "$raw" 16 "$frames" >read_avi.txt 2>&1 || true
  grep -v "key frames" read_avi.txt | grep -q FAIL && fail "read_avi.exe: $(grep FAIL read_avi.txt)"
  grep -q "^ok" read_avi.txt || fail "read_avi.exe: $(cat read_avi.txt)"
}

for entry in "recording-rgb555.avi rgb555" "recording-bgr0.avi rgb555" "recording-pal8.avi bgr24"; do
  read -r name format <<<"$entry"
  check "driver -> VLC: $name, every picture drav decode's" driver_to_vlc "$written/$name" "$format"
done
check "VLC -> driver: $last16, 16 bits, through VLC's AVI muxer" \
  vlc_to_driver "$(info "$last16" 16 source)" "$(info "$last16" 16 raw)"
# avifil32 and the driver play the driver's own files as they play drav's
# (read_avi.exe's checks: in order, key frames, GetFrame with three formats).
check "driver -> avifil32: recording-rgb555.avi ($last16), exact" \
  wine_run "$read_avi" "$written/recording-rgb555.avi" "$(info "$last16" 16 raw)" 16 "$(frames "$last16" 16 24)"
check "driver -> avifil32: recording-bgr0.avi ($first32), 5 bits per channel" \
  wine_run "$read_avi" "$written/recording-bgr0.avi" "$(info "$first32" 32 raw)" 32 "$(frames "$first32" 32 12)"
check "driver -> avifil32: recording-pal8.avi ($last8), palette colours" \
  wine_run "$read_avi" "$written/recording-pal8.avi" "$(info "$last8" 8 raw)" 8 "$(frames "$last8" 8 12)"

# same_compressed_frames NAME: the AVI NAME holds the same compressed frames,
# byte for byte, whichever driver wrote it (one md5 per packet).
same_compressed_frames() {
  local name=$1 build
  for build in "$win" "$win64"; do
    [ -f "$build/driver/tests/$name" ] || fail "$build/driver/tests/$name is missing: run the driver tests first"
    "${ff[@]}" -i "$build/driver/tests/$name" -map 0:v -c copy -f framemd5 - | grep -v '^#' >"$work/$(basename "$build").md5"
  done
  same_hashes "$name" "$work/$(basename "$win").md5" "$work/$(basename "$win64").md5"
}

# The driver tests' AVIs: name, clip, bits per pixel in, frames.
written_avis=(
  "recording-rgb555.avi $last16 16 $(frames "$last16" 16 24)"
  "recording-bgr0.avi $first32 32 $(frames "$first32" 32 12)"
  "recording-pal8.avi $last8 8 $(frames "$last8" 8 12)"
)
if [ -n "$win64" ]; then
  for entry in "${written_avis[@]}"; do
    read -r name clip bits frames <<<"$entry"
    raw=$(basename "$(info "$clip" "$bits" raw)")
    check "32 and 64 bits: $name, $bits bits in, the same compressed frames" same_compressed_frames "$name"
    check "64-bit driver -> 32-bit driver: $name, $frames frames" \
      wine_run "$read_avi" "$win64/driver/tests/$name" "$corpus_raw/$raw" "$bits" "$frames"
    check "32-bit driver -> 64-bit driver: $name, $frames frames" \
      wine64_run "$win64/driver/tests/read_avi.exe" "$written/$name" "$(corpus_of "$win64")/$raw" "$bits" "$frames"
  done
  check "64-bit driver -> drav: recording-rgb555.avi ($last16), exact" \
    driver_to_drav "$win64/driver/tests/recording-rgb555.avi" rgb555 rgb555le "$(frames "$last16" 16 24)" \
    "$(info "$last16" 16 width)x$(info "$last16" 16 height)" -i "$(info "$last16" 16 source)"
  check "64-bit driver -> drav: recording-pal8.avi ($last8), palette colours" \
    driver_to_drav "$win64/driver/tests/recording-pal8.avi" bgr24 bgr24 "$(frames "$last8" 8 12)" \
    "$(info "$last8" 8 width)x$(info "$last8" 8 height)" -i "$(info "$last8" 8 source)"
  check "64-bit driver -> VLC: recording-rgb555.avi, every picture drav decode's" \
    driver_to_vlc "$win64/driver/tests/recording-rgb555.avi" rgb555
  check "64-bit driver -> VLC: recording-pal8.avi, every picture drav decode's" \
    driver_to_vlc "$win64/driver/tests/recording-pal8.avi" bgr24
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
