# Sourced by the dravenc tests, compare-drav.sh and the cross-checks: the
# build's plugin through gst-launch-1.0, and raw frames through dravenc into a
# DRAV AVI.
source "$(dirname "${BASH_SOURCE[0]}")/gst-lib.sh"

# gst_launch PLUGIN_DIR PIPELINE...: gst-launch-1.0 with the build's plugin and,
# unless GST_REGISTRY names one, a registry of its own beside it.
gst_launch() {
  local dir=$1; shift
  GST_PLUGIN_PATH=$dir GST_REGISTRY=${GST_REGISTRY:-$dir/registry.bin} gst gst-launch-1.0 -q "$@"
}

# raw_frames SOURCE PIX_FMT: how SOURCE's pictures, as FFmpeg writes them raw in
# PIX_FMT (bgr0 or rgb555le), are read at SOURCE's size and rate: sets
# frame_size (bytes a picture), raw_parse (the rawvideoparse element with its
# properties) and raw_drav (drav encode's input options).
raw_frames() {
  local width height rate format bytes
  IFS=, read -r width height rate < <(ffprobe -v error -select_streams v:0 \
    -show_entries stream=width,height,r_frame_rate -of csv=p=0 "$1")
  case $2 in
    bgr0) format=bgrx bytes=4 ;;
    rgb555le) format=rgb15 bytes=2 ;;
    *) fail "raw_frames: no dravenc input for $2" ;;
  esac
  frame_size=$((width * height * bytes))
  raw_parse=(rawvideoparse width=$width height=$height format=$format framerate="$rate"
    plane-strides="<$((width * bytes))>" frame-size=$frame_size)
  raw_drav=(--input-format rawvideo --input-option video_size=${width}x$height --input-option pixel_format=$2
    --input-option framerate=$rate)
}

# dravenc_avi PLUGIN_DIR SOURCE PIX_FMT FRAMES KEYINT AVI [JOBS]: the first FRAMES
# frames of SOURCE, as FFmpeg converts them to PIX_FMT (bgr0 or rgb555le), raw
# through rawvideoparse and dravenc (a key frame every KEYINT, JOBS frames in
# flight) into AVI by dravavisink, at SOURCE's frame rate, so that drav encode
# of SOURCE writes the same file.
dravenc_avi() {
  local dir=$1 source=$2 pixfmt=$3 frames=$4 keyint=$5 avi=$6 frame_size raw_parse raw_drav
  raw_frames "$source" "$pixfmt"
  "${ff[@]}" -i "$source" -frames:v "$frames" -f rawvideo -pix_fmt "$pixfmt" - |
    gst_launch "$dir" fdsrc ! "${raw_parse[@]}" ! dravenc key-interval="$keyint" jobs="${7:-1}" ! dravavisink location="$avi"
}
