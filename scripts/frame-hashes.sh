# Sourced: FFmpeg's per-frame hashes, the one way every script checks pictures.
ff=(ffmpeg -hide_banner -loglevel error -nostdin)

# frame_hashes FFMPEG-INPUT-ARGS... -- PIX_FMT: one md5 per frame, as FFmpeg's
# framemd5 reports it, of the frames converted to PIX_FMT.
frame_hashes() {
  local args=() pixfmt
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  pixfmt=$2
  "${ff[@]}" "${args[@]}" -pix_fmt "$pixfmt" -f framemd5 - | grep -v '^#' | awk -F, '{ print $6 }'
}
