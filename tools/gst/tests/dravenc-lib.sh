# Sourced by the dravenc tests and the cross-checks: the build's plugin through
# gst-launch-1.0, and raw frames through dravenc into a DRAV AVI.
source "$(dirname "${BASH_SOURCE[0]}")/gst-lib.sh"

# gst_launch PLUGIN_DIR PIPELINE...: gst-launch-1.0 with the build's plugin and,
# unless GST_REGISTRY names one, a registry of its own beside it.
gst_launch() {
  local dir=$1; shift
  GST_PLUGIN_PATH=$dir GST_REGISTRY=${GST_REGISTRY:-$dir/registry.bin} gst gst-launch-1.0 -q "$@"
}

# dravenc_avi PLUGIN_DIR SOURCE PIX_FMT FRAMES KEYINT AVI: the first FRAMES frames
# of SOURCE, as FFmpeg converts them to PIX_FMT (bgr0 or rgb555le), raw through
# rawvideoparse and dravenc (a key frame every KEYINT) into AVI by dravavisink,
# at SOURCE's frame rate, so that drav encode of SOURCE writes the same file.
dravenc_avi() {
  local dir=$1 source=$2 pixfmt=$3 frames=$4 keyint=$5 avi=$6 width height rate format bytes
  IFS=, read -r width height rate < <(ffprobe -v error -select_streams v:0 \
    -show_entries stream=width,height,r_frame_rate -of csv=p=0 "$source")
  case $pixfmt in
    bgr0) format=bgrx bytes=4 ;;
    rgb555le) format=rgb15 bytes=2 ;;
    *) fail "dravenc_avi: no dravenc input for $pixfmt" ;;
  esac
  "${ff[@]}" -i "$source" -frames:v "$frames" -f rawvideo -pix_fmt "$pixfmt" - |
    gst_launch "$dir" fdsrc ! rawvideoparse width=$width height=$height format=$format framerate="$rate" \
      plane-strides="<$((width * bytes))>" frame-size=$((width * height * bytes)) ! \
      dravenc key-interval="$keyint" ! dravavisink location="$avi"
}
