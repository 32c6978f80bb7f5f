#!/usr/bin/env bash
# drav-raw-frames.sh DRAV WORKDIR: raw frames, which drav writes without
# FFmpeg's rawvideo encoder, are byte for byte the packets that encoder makes
# (drav's NUT output, read back unchanged): 16, 24 and 32-bit pixels, rows that
# need padding in a DIB, the stream's own size and another, to a file and to a
# pipe, and through a corrupt frame whose held picture repeats.
set -euo pipefail
drav=$1 work=$2
source "$(dirname "$0")/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"

# 67x37: DIB rows of 16 and 24-bit pixels carry padding; 41x23 too.
"${ff[@]}" -f lavfi -i testsrc=size=67x37:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src.nut
"$drav" encode src.nut good.avi --keyint 10 -q
cp good.avi bad.avi
patch bad.avi $(($(packet_position bad.avi 5) + 8 + 20)) 5a  # frames 5 to 9 hold frame 4

# expect_pipe CODE FILE DRAV-ARGS...: drav writing to a pipe, read into FILE.
expect_pipe() {
  local want=$1 file=$2 got; shift 2
  set +e; "$drav" "$@" 2>err.txt | cat >"$file"; got=${PIPESTATUS[0]}; set -e
  [ "$got" = "$want" ] || fail "drav $* | cat exited $got, expected $want; stderr: $(cat err.txt)"
}

declare -A pixel_bytes=([rgb555]=2 [bgr24]=3 [bgr0]=4)
for avi in good.avi bad.avi; do
  code=0; [ $avi = good.avi ] || code=3
  for format in rgb555 bgr24 bgr0; do
    for size in 67x37 41x23; do
      what="$avi as $size $format"
      options=(--format $format --size $size -q)
      expect_code $code "$drav" decode $avi encoded.nut "${options[@]}"
      "${ff[@]}" -i encoded.nut -c copy -f rawvideo encoded.raw -y
      bytes=$((25 * ${size%x*} * ${size#*x} * ${pixel_bytes[$format]}))
      [ "$(stat -c %s encoded.raw)" = $bytes ] || fail "$what: the encoder's packets hold $(stat -c %s encoded.raw) bytes"

      expect_code $code "$drav" decode $avi direct.raw --container rawvideo "${options[@]}"
      cmp encoded.raw direct.raw >/dev/null || fail "$what: raw frames in a file differ from the encoder's"
      expect_pipe $code piped.raw decode $avi - "${options[@]}"
      cmp encoded.raw piped.raw >/dev/null || fail "$what: raw frames on a pipe differ from the encoder's"
    done
  done
done
echo "drav raw frames: all checks passed"
