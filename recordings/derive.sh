#!/usr/bin/env bash
# derive.sh: the codec's inputs at 32, 16 and 8 bits, derived with FFmpeg from
# any recording it reads (the clips in this folder, or a user's own).
#
#   derive.sh list [DIR]               the recordings in DIR (default: this folder), one path a line
#   derive.sh inputs RECORDING OUT     makes the inputs in OUT once and prints "DEPTH FILE" lines:
#                                      32, 16 and, when the palette can be made, 8
#   derive.sh raw RECORDING DEPTH OUT  raw frames of one depth as a DIB stores them; prints the .info
#
# Inputs (a clip's name is its file name without the extension):
#   32 -> pix_fmt bgr0: the recording itself when it is bgr0, else NAME.bgr0.mkv (FFV1).
#   16 -> NAME.rgb555le.avi: each 8-bit channel cut to 5 bits (v >> 3, -sws_flags neighbor:
#         FFmpeg's default conversion to RGB555 dithers), uncompressed.
#    8 -> NAME.pal8.avi: one fixed 256-colour palette for the whole clip (NAME.palette.png,
#         palettegen stats_mode=full), each pixel its nearest colour, no dithering, uncompressed.
# Every depth has the frames of the 32-bit input, in order (no frame dropped or repeated).
#
# Raw frames (`raw`): NAME.FMT.raw, every frame back to back, rows bottom-up and padded to
# 4 bytes (the BI_RGB DIB layout); NAME.FMT.info describes them (key=value lines); at 8 bits
# NAME.pal8.pal holds the colour table, 256 RGBQUADs (B, G, R, 0).
#
# Derived files are made once and reused while the recording is unchanged (NAME.stamp);
# a lock on OUT lets several runs share it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ff=(ffmpeg -hide_banner -loglevel error -nostdin)

die() { echo "derive.sh: $*" >&2; exit 1; }

# Files of DIR that FFmpeg reads as video, this folder's text and scripts aside.
list_recordings() {
  local dir=${1:-$here} f
  [ -d "$dir" ] || die "no folder $dir"
  for f in "$dir"/*; do
    [ -f "$f" ] || continue
    case $f in *.md | *.sh | *.txt) continue ;; esac
    [ "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_type -of csv=p=0 "$f" 2>/dev/null)" = video ] &&
      echo "$f"
  done
  return 0
}

clip_name() { local b; b=$(basename "$1"); echo "${b%.*}"; }

stream_field() {  # stream_field FILE FIELD
  ffprobe -v error -select_streams v:0 -show_entries "stream=$2" -of csv=p=0 "$1"
}

# Holds the lock on OUT and removes NAME's derived files when the recording changed.
prepare() {  # prepare RECORDING OUT
  local source=$1 out=$2 stamp
  [ -f "$source" ] || die "no recording $source"
  mkdir -p "$out"
  exec 9>"$out/.lock"
  flock 9
  stamp="$(realpath "$source") $(stat -c '%s %Y' "$source")"
  base=$(realpath "$out")/$(clip_name "$source")
  if [ "$(cat "$base.stamp" 2>/dev/null)" != "$stamp" ]; then
    rm -f "$base".*
    echo "$stamp" >"$base.stamp"
  fi
}

# Writes FILE with the ffmpeg arguments unless it exists; a failed run leaves nothing.
make_once() {  # make_once FILE FFMPEG-ARGS...
  local file=$1; shift
  [ -s "$file" ] && return 0
  "${ff[@]}" "$@" -y "$file.part.${file##*.}" && mv "$file.part.${file##*.}" "$file" ||
    { rm -f "$file.part.${file##*.}"; return 1; }
}

# Sets in32, in16 and in8 (empty when no palette could be made) for the recording.
make_inputs() {  # make_inputs RECORDING OUT (after prepare)
  local source=$1 frames=(-map 0:v:0 -fps_mode passthrough)
  in32=$source
  if [ "$(stream_field "$source" pix_fmt)" != bgr0 ]; then
    in32=$base.bgr0.mkv
    make_once "$in32" -i "$source" "${frames[@]}" -pix_fmt bgr0 -c:v ffv1 || die "cannot read $source"
  fi
  in16=$base.rgb555le.avi
  make_once "$in16" -i "$in32" "${frames[@]}" -sws_flags neighbor -pix_fmt rgb555le -c:v rawvideo
  in8=$base.pal8.avi
  if ! make_once "$base.palette.png" -i "$in32" \
         -vf palettegen=max_colors=256:reserve_transparent=0:stats_mode=full -frames:v 1 -update 1 ||
     ! make_once "$in8" -i "$in32" -i "$base.palette.png" "${frames[@]}" \
         -lavfi '[0:v][1:v]paletteuse=dither=none:new=0' -pix_fmt pal8 -c:v rawvideo; then
    echo "derive.sh: $(clip_name "$source"): no 8-bit input (no palette could be made)" >&2
    in8=
  fi
}

inputs() {  # inputs RECORDING OUT
  prepare "$1" "$2"
  make_inputs "$1" "$2"
  echo "32 $in32"
  echo "16 $in16"
  if [ -n "$in8" ]; then echo "8 $in8"; fi
}

# FFmpeg's raw frames of INPUT (rows bottom-up, packed) into RAW as DIB rows:
# each row padded to 4 bytes; at 8 bits the palette FFmpeg appends to every
# frame goes, once, into PAL (it must not change).
write_raw() {  # write_raw INPUT PIX_FMT ROW_BYTES STRIDE HEIGHT RAW [PAL]
  local input=$1 fmt=$2 row=$3 stride=$4 height=$5 raw=$6 pal=${7:-}
  if [ "$row" = "$stride" ] && [ -z "$pal" ]; then
    "${ff[@]}" -i "$input" -fps_mode passthrough -vf vflip -f rawvideo -pix_fmt "$fmt" -y "$raw"
    return
  fi
  "${ff[@]}" -i "$input" -fps_mode passthrough -vf vflip -f rawvideo -pix_fmt "$fmt" - | python3 -c '
import sys
row, stride, height, raw, pal = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
inp, padding, first = sys.stdin.buffer, bytes(stride - row), None
with open(raw, "wb") as out:
    while True:
        picture = inp.read(row * height)
        if not picture: break
        if len(picture) != row * height: sys.exit("short frame")
        out.write(b"".join(picture[y * row:(y + 1) * row] + padding for y in range(height)))
        if pal:
            colours = inp.read(1024)
            if first is None: first = colours
            elif colours != first: sys.exit("the palette changes within the clip")
if pal:
    table = bytearray(first)
    table[3::4] = bytes(256)  # RGBQUAD.rgbReserved
    open(pal, "wb").write(bytes(table))
' "$row" "$stride" "$height" "$raw" "$pal"
}

raw() {  # raw RECORDING DEPTH OUT
  local source=$1 depth=$2 out=$3 input fmt bytes
  prepare "$source" "$out"
  make_inputs "$source" "$out"
  case $depth in
    32) input=$in32 fmt=bgr0 bytes=4 ;;
    16) input=$in16 fmt=rgb555le bytes=2 ;;
    8) input=$in8 fmt=pal8 bytes=1 ;;
    *) die "DEPTH must be 32, 16 or 8" ;;
  esac
  [ -n "$input" ] || die "$(clip_name "$source"): no $depth-bit input"
  local info=$base.$fmt.info file=$base.$fmt.raw pal=
  [ "$depth" = 8 ] && pal=$base.$fmt.pal
  if [ ! -s "$info" ] || [ ! -f "$file" ]; then
    local width height rate row stride frames
    IFS=, read -r width height rate < <(stream_field "$input" width,height,r_frame_rate)
    row=$((width * bytes)) stride=$(((width * bytes + 3) / 4 * 4))
    write_raw "$input" "$fmt" "$row" "$stride" "$height" "$file" "$pal"
    frames=$(($(stat -c %s "$file") / (stride * height)))
    [ $((frames * stride * height)) = "$(stat -c %s "$file")" ] || die "$file holds a part of a frame"
    {
      echo "clip=$(clip_name "$source")"; echo "source=$input"; echo "pix_fmt=$fmt"
      echo "bits_per_pixel=$depth"; echo "width=$width"; echo "height=$height"
      echo "rate=$rate"; echo "frames=$frames"; echo "frame_bytes=$((stride * height))"
      echo "row_stride=$stride"; echo "row_order=bottom-up"; echo "raw=$file"
      if [ -n "$pal" ]; then echo "palette=$pal"; fi
    } >"$info"
  fi
  echo "$info"
}

command=${1:-}
shift || true
case $command in
  list) list_recordings "$@" ;;
  inputs) [ $# = 2 ] || die "usage: derive.sh inputs RECORDING OUT"; inputs "$@" ;;
  raw) [ $# = 3 ] || die "usage: derive.sh raw RECORDING 32|16|8 OUT"; raw "$@" ;;
  *) sed -n '2,9p' "$0" >&2; exit 2 ;;
esac
