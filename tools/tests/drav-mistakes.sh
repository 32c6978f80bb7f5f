#!/usr/bin/env bash
# drav-mistakes.sh DRAV WORKDIR: a user's mistakes, and runs that fail part
# way. Each gives its exit code and drav's own message naming the file, with
# no line of FFmpeg's; the input is never touched, and no half-written file is
# left under the output's name.
set -euo pipefail
drav=$1 work=$2
source "$(dirname "$0")/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"; cd "$work"

"${ff[@]}" -f lavfi -i testsrc=size=66x48:rate=10:duration=2.5 -c:v rawvideo -pix_fmt bgr0 src.nut
"${ff[@]}" -i src.nut -c:v rawvideo -pix_fmt bgr24 plain.avi
"$drav" encode src.nut t.avi --keyint 10 -q
ln t.avi hard.avi; ln -s t.avi sym.avi
mkdir pristine && cp src.nut t.avi plain.avi pristine/

# the folder as it is, but for the test's own files
listing() { ls -A | grep -vxE 'out.txt|err.txt|listing.txt|pristine' || true; }
listing >listing.txt

# mistake CODE TEXT DRAV-ARGS...: drav exits with CODE, its message holds TEXT,
# FFmpeg prints nothing, the inputs are as they were and no file has appeared.
mistake() {
  local code=$1 text=$2; shift 2
  expect_code "$code" "$drav" "$@"
  expect_text err.txt "$text"
  ! grep -q '^\[' err.txt || fail "drav $*: FFmpeg's own line: $(cat err.txt)"
  for file in pristine/*; do cmp -s "$file" "${file#pristine/}" || fail "drav $*: changed ${file#pristine/}"; done
  listing | cmp -s - listing.txt || fail "drav $*: left $(listing | diff listing.txt - | grep '^>' | tr '\n' ' ')"
}

mistake 2 "t.avi: this is the input file, which the output would replace" decode t.avi t.avi
mistake 2 "./t.avi: this is the input file t.avi" decode t.avi ./t.avi
mistake 2 "hard.avi: this is the input file t.avi" decode t.avi hard.avi
mistake 2 "t.avi: this is the input file sym.avi" decode sym.avi t.avi
mistake 2 "src.nut: this is the input file" encode src.nut src.nut
mistake 2 "$work/src.nut: this is the input file src.nut" encode src.nut "$work/src.nut"
mistake 2 "one.png: names one picture, and the output gets 25 frames: give a numbered name such as frame%05d.png" \
  decode t.avi one.png
mistake 1 "nodir/f%05d.png: cannot create: No such file or directory" decode t.avi nodir/f%05d.png
mistake 1 "nodir/f.avi: cannot create: No such file or directory" encode src.nut nodir/f.avi
mistake 1 "plain.avi: not a DRAV stream: its video is rawvideo, not DRAV" info plain.avi
mistake 2 "out.webm: the webm format does not take ffv1; lossless encoders it takes: libvpx-vp9" \
  decode t.avi out.webm --codec ffv1
mistake 2 "out.mkv: the matroska format does not take rawvideo; lossless encoders it takes: ffv1" \
  decode t.avi out.mkv --codec rawvideo
mistake 2 "out.ogv: drav knows no lossless encoder that the ogv format takes" decode t.avi out.ogv
mistake 2 "encode got --depth twice" encode src.nut x.avi --depth 16 --depth 32
mistake 2 '--container needs a name, not ""' decode t.avi x.nut --container ""

# Raw video neither goes to nor comes from a terminal (a pseudo-terminal here).
for command in "decode t.avi -" "encode - x.avi" "info -"; do
  set +e; timeout 60 script -qec "$drav $command" /dev/null >out.txt 2>&1; code=$?; set -e
  [ $code = 2 ] || fail "drav $command on a terminal exited $code: $(cat out.txt)"
  expect_text out.txt "is a terminal"
done

# A write that fails part way (the file size limit) leaves nothing of a
# decoded output; a recording keeps its frames under the temporary name the
# message gives.
set +e; (ulimit -f 40; trap '' XFSZ; "$drav" decode t.avi big.nut -q 2>err.txt); code=$?; set -e
[ $code = 1 ] || fail "decoding beyond the file size limit exited $code"
expect_text err.txt "big.nut: cannot finish: File too large; big.nut is not written"
listing | cmp -s - listing.txt || fail "a failed decode left $(listing | diff listing.txt - | grep '^>' | tr '\n' ' ')"
set +e; (ulimit -f 8; trap '' XFSZ; "$drav" encode src.nut big.avi -q 2>err.txt); code=$?; set -e
[ $code = 1 ] || fail "encoding beyond the file size limit exited $code"
expect_text err.txt "the 25 frames written are in big.avi.part-"
[ ! -e big.avi ] || fail "an AVI that could not be finished is under its name"
rm -f big.avi.part-*

# An input that breaks off part way: the frames before the break are a
# finished recording, and the message says which frame broke and how many are kept.
mkdir png && "${ff[@]}" -i src.nut png/shot%03d.png && head -c 300 /dev/urandom >png/shot011.png
expect_code 3 "$drav" encode png/shot%03d.png cut.avi -q
expect_text err.txt "png/shot%03d.png: frame 10: cannot decode"
expect_text err.txt "cut.avi: finished with the 10 frames encoded before that"
expect_code 0 "$drav" info --brief cut.avi
expect_text out.txt "frames:      10"
# So are those before a picture the compressor cannot take (its size
# changed), and both alike whether frames are compressed one at a time or
# side by side, the failing picture on a worker with later ones in flight.
cp -r png resized && "${ff[@]}" -y -f lavfi -i testsrc=size=64x48 -frames:v 1 resized/shot011.png
for jobs in 1 2 5; do
  expect_code 3 "$drav" encode png/shot%03d.png cut$jobs.avi --keyint 3 --jobs $jobs -q
  expect_text err.txt "png/shot%03d.png: frame 10: cannot decode"
  expect_text err.txt "finished with the 10 frames encoded before that"
  expect_code 3 "$drav" encode resized/shot%03d.png resized$jobs.avi --keyint 3 --jobs $jobs -q
  expect_text err.txt "resized/shot%03d.png: frame 10: the picture size changed from 66x48 to 64x48"
  expect_text err.txt "finished with the 10 frames encoded before that"
  cmp -s cut1.avi cut$jobs.avi && cmp -s cut1.avi resized$jobs.avi || fail "--jobs $jobs kept other frames"
done
# A signal ends a live recording as the end of its input does: the frames so
# far are a finished AVI, and drav then ends by the signal, even while its
# input has stalled (the pipe stays open here until drav is gone). (A
# background job ignores Ctrl+C's SIGINT, so SIGTERM stands for it.) Three
# jobs: their workers are stopped on the way out, whatever the machine's cores.
mkfifo live.fifo
"$drav" encode live.fifo live.avi --jobs 3 -q 2>err.txt &
pid=$!
exec 3>live.fifo
cat src.nut >&3  # every frame, with the pipe held open: drav waits for more
# Waiting for more means every frame was read and compressed: the pipe is
# empty and drav's CPU time has stood still for a second (a loaded machine
# may take long to get there).
pipe_bytes() { python3 -c 'import array, fcntl, termios; n = array.array("i", [0]); fcntl.ioctl(3, termios.FIONREAD, n); print(n[0])'; }
cpu_ticks() { awk '{ print $14 + $15 }' /proc/$pid/stat; }
still=0 last=
for _ in $(seq 600); do
  now="$(pipe_bytes) $(cpu_ticks)"
  if [ "${now%% *}" = 0 ] && [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; fi
  [ $still -ge 5 ] && break
  last=$now
  sleep 0.2
done
kill -TERM $pid
for _ in $(seq 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && { exec 3>&-; fail "drav waited for its stalled input after SIGTERM"; }
exec 3>&-
set +e; wait $pid; code=$?; set -e
[ $code = $((128 + 15)) ] || fail "drav did not end by SIGTERM after finishing the recording (exit $code): $(cat err.txt)"
expect_code 0 "$drav" info --brief live.avi
expect_text out.txt "frames:      25"
echo "drav mistakes: all checks passed"
