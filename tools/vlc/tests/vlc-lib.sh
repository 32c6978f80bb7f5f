# Sourced by the VLC module's tests, its benchmark and the cross-checks (with
# the tool tests' test-lib.sh): VLC programs with the module VLC_PLUGIN_PATH
# names, and the pictures they show as frame hashes.
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/test-lib.sh"

# vlc PROGRAM ARGS...: a libvlc program, or VLC itself, with the build's
# module. A sanitized module needs the sanitizers' runtimes loaded first into
# an uninstrumented program (cvlc).
vlc() {
  local preload
  preload=$(ldd "${VLC_PLUGIN_PATH:?}/libdrav_plugin.so" | awk '/lib(a|ub)san/ { printf "%s ", $3 }')
  LD_PRELOAD=$preload "$@"
}

# vmem_pixfmt CHROMA: FFmpeg's name for the pixels of VLC's video memory
# callbacks in that chroma (their masks put red in the low bits at 15 and 16
# bits, and read 24-bit pixels in memory order from red).
vmem_pixfmt() {
  case $1 in
    RV15) echo bgr555le ;; RV16) echo bgr565le ;; RV24) echo rgb24 ;; RV32) echo bgr0 ;;
    *) fail "no pixel format for chroma $1" ;;
  esac
}

# drav_pixfmt FORMAT: FFmpeg's name for drav decode --format FORMAT's pixels.
drav_pixfmt() { case $1 in rgb555 | rgb565) echo "${1}le" ;; *) echo "$1" ;; esac; }

# vlc_pictures FILE VLC_FRAMES-OPTIONS...: the pictures libvlc's player shows of
# FILE, as frame hashes, a picture shown again in a row counted once; its
# messages in vlc.txt. Sets chroma and size.
vlc_pictures() {
  local file=$1 pixfmt; shift
  vlc "$vlc_frames" "$file" pictures.raw "$@" >vlc.out 2>vlc.txt || fail "vlc_frames $file $*: $(cat vlc.out vlc.txt)"
  ! grep -q Sanitizer vlc.txt || fail "vlc_frames $file: $(cat vlc.txt)"
  read -r _ chroma size < <(grep '^format ' vlc.out) || fail "vlc_frames $file: no pictures: $(cat vlc.txt)"
  pixfmt=$(vmem_pixfmt "$chroma")
  frame_hashes -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i pictures.raw -- "$pixfmt" | uniq
}

# same_pictures WHAT EXPECTED GOT: VLC showed the pictures of EXPECTED (hash
# lists), perhaps without the first or the last. VLC's own: its input ends as
# soon as the video output has taken the last picture from its queue, and
# stops the output, often before that picture's time comes; and when the
# output has not shown the first picture by the time the clock starts, the
# decoder's flush of later pictures takes it too (FFmpeg's decoders in VLC
# alike).
same_pictures() {
  local first last
  for first in 1 2; do
    for last in 0 1; do
      tail -n +$first "$2" | head -n $(($(wc -l <"$2") - first + 1 - last)) >"$2.shown"
      cmp -s "$2.shown" "$3" && return 0
    done
  done
  same_hashes "$1" "$2" "$3"
}

# drav_pictures FILE FORMAT CHROMA SIZE: drav decode's frames of FILE at FORMAT,
# as the hashes of the video memory callbacks' pixels in CHROMA, a frame equal
# to the one before counted once.
drav_pictures() {
  local format=$2 pixfmt
  pixfmt=$(vmem_pixfmt "$3")
  { "$drav" decode "$1" - --format "$format" -q 2>drav.txt || [ $? = 3 ]; } |
    frame_hashes -f rawvideo -pix_fmt "$(drav_pixfmt "$format")" -s "$4" -i - -- "$pixfmt" | uniq
}
