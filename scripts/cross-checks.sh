#!/usr/bin/env bash
# cross-checks.sh NATIVE_BUILD WIN_BUILD: the Linux tool and the Windows driver
# read each other's files.
#   drav -> driver: drav encodes corpus clips; read_avi.exe, under Wine, plays
#     them back through the driver installed in WIN_BUILD/wineprefix and
#     compares every frame with the corpus frames the driver tests use.
#   driver -> drav: drav decodes the AVIs the driver tests wrote through
#     avifil32, checked against the corpus with FFmpeg's frame hashes.
# Run after the Windows tests, with the prefix's wineserver running. Prints one
# line per check and "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "${1:?native build dir}" && pwd)
win=$(cd "${2:?windows build dir}" && pwd)
drav=$native/tools/drav
read_avi=$win/driver/tests/read_avi.exe
written=$win/driver/tests                # the driver tests' AVIs
corpus_raw=$win/corpus-raw               # their raw bottom-up corpus frames
corpus=$(sed -n 's/^DRAV_CORPUS_DIR:PATH=//p' "$win/CMakeCache.txt")
source "$root/tools/tests/test_lib.sh"

export WINEPREFIX=$win/wineprefix WINEDEBUG=-all
wine_run() { wine "$@" </dev/null; }

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

# The driver as the driver tests' fixture installs it, in case they did not run.
install_driver() {
  cp "$win/driver/DRAV32.VCM" "$WINEPREFIX/drive_c/windows/system32/DRAV32.VCM" &&
    wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32' \
      /v vidc.DRAV /t REG_SZ /d DRAV32.VCM /f >/dev/null 2>&1
}

# drav_to_driver SOURCE DEPTH RAW FRAMES: drav encodes the first FRAMES frames
# of SOURCE at DEPTH bits (a key frame every 10, so the driver meets key frames
# inside the stream too); the driver's pictures must match RAW.
drav_to_driver() {
  local source=$1 depth=$2 raw=$3 frames=$4 avi
  avi=$work/$(basename "$source").$depth.avi
  "$drav" encode "$source" "$avi" --depth "$depth" --frames "$frames" --keyint 10 -q
  wine_run "$read_avi" "$avi" "$raw" "$depth" "$frames"
}

# driver_to_drav AVI FORMAT PIX_FMT FRAMES FFMPEG-INPUT-ARGS...: drav reads the
# driver's file with every checksum passing, and decodes it to frames whose
# hashes equal the corpus frames FFmpeg reads with the given arguments.
driver_to_drav() {
  local avi=$1 format=$2 pixfmt=$3 frames=$4; shift 4
  [ -f "$avi" ] || fail "$avi is missing: run the driver tests first"
  "$drav" info --brief "$avi" >"$work/info.txt" || fail "drav info reports damage: $(cat "$work/info.txt")"
  expect_text "$work/info.txt" "frames:      $frames"
  frame_hashes "$@" -frames:v "$frames" -- "$pixfmt" >"$work/expected.txt"
  "$drav" decode "$avi" - --format "$format" -q |
    frame_hashes -f rawvideo -pix_fmt "$pixfmt" -s 1280x720 -i - -- "$pixfmt" >"$work/got.txt"
  same_hashes "$(basename "$avi")" "$work/expected.txt" "$work/got.txt"
}

check "driver installed in $WINEPREFIX" install_driver
check "drav -> driver: term720, 16 bits, 24 frames, exact" \
  drav_to_driver "$corpus/derived/term720.rgb555le.avi" 16 "$corpus_raw/term720.rgb555le.raw" 24
check "drav -> driver: scroll720, 32 bits, 24 frames, 5 bits per channel" \
  drav_to_driver "$corpus/clips/scroll720.mkv" 32 "$corpus_raw/scroll720.bgr0.raw" 24
check "drav -> driver: term720, 8 bits, 12 frames, palette colours" \
  drav_to_driver "$corpus/derived/term720.pal8.avi" 8 "$corpus_raw/term720.pal8.raw" 12
check "driver -> drav: term720-rgb555.avi, 24 frames, exact" \
  driver_to_drav "$written/term720-rgb555.avi" rgb555 rgb555le 24 -i "$corpus/derived/term720.rgb555le.avi"
check "driver -> drav: scroll720-bgr0.avi, 12 frames, 5 bits per channel" \
  driver_to_drav "$written/scroll720-bgr0.avi" rgb555 rgb555le 12 -i "$corpus/clips/scroll720.mkv" -sws_flags neighbor
check "driver -> drav: term720-pal8.avi, 12 frames, palette colours" \
  driver_to_drav "$written/term720-pal8.avi" bgr24 bgr24 12 -i "$corpus/derived/term720.pal8.avi"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
