#!/usr/bin/env bash
# main-job-windows.sh [RECORDING...]: the main job on Windows, under Wine, from a fresh machine:
#   1. builds everything for Windows (DRAV32.VCM, install.exe with the driver
#      inside, the helper programs);
#   2. makes a fresh 32-bit prefix and installs the codec there with
#      install.exe, walking its wizard (Next, Next, the installation, Finish);
#   3. records every recording at 32, 16 and 8 bits (8 when a palette can be
#      derived: recordings/derive.sh) through the installed codec with avifil32
#      (handler DRAV) into an AVI file, plays the file back through the codec,
#      and prints the compression ratio, the speed and whether every frame came back;
#   4. does 2 and 3 again in a fresh 64-bit prefix, where the same install.exe
#      puts both drivers in place, with a 64-bit client: the 64-bit driver's row.
# On a machine that runs no 32-bit programs (a kernel without IA-32
# emulation), install.exe and the 32-bit driver cannot run: it says so, puts
# DRAV64.VCM in place and registers it as install.exe does, and does 3 in the
# 64-bit prefix only.
# The recordings: the files named (anything FFmpeg reads, of any size and frame
# rate), else those in $DRAV_CORPUS_DIR, else the repository's recordings/.
# Run as root on Debian 12 (the bootstrap installs packages).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
recordings=()
for file in "$@"; do recordings+=("$(realpath "$file")"); done
cd "$root"
source scripts/wine-session.sh
derive=$root/recordings/derive.sh
derived=$root/build/recordings
if [ ${#recordings[@]} = 0 ]; then
  mapfile -t recordings < <(bash "$derive" list "${DRAV_CORPUS_DIR:-$root/recordings}")
  [ ${#recordings[@]} -gt 0 ] || { echo "no recordings in ${DRAV_CORPUS_DIR:-$root/recordings}" >&2; exit 1; }
fi
build=${DRAV_WIN_BUILD:-$root/build/win}
work=${DRAV_MAIN_JOB_WORK:-$root/build/main-job-win}

step() { printf '\n== %s\n' "$*"; }

bash scripts/bootstrap.sh
step "Windows build (Release, as shipped)"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 | tail -1
exe=$build/install/install.exe

# The 64-bit tree install.exe took its DRAV64.VCM from, with the 64-bit client.
win64=$(sed -n 's/^DRAV_WIN64_BUILD_DIR:PATH=//p' "$build/CMakeCache.txt")
win64=${win64:-$build/win64}
status=0
trap 'stop_server; stop_display' EXIT
rm -rf "$work"
mkdir -p "$work"

# fresh_session ARCH: a fresh prefix of that architecture, its server and a display.
fresh_session() {
  use_prefix "$work/$1/prefix" "$1"
  make_fresh_prefix
  start_display
  start_server
}

# show_registration: the codec's entry in the drivers key, as Windows reads it.
show_registration() { wine reg query "$drivers32_key" /v vidc.DRAV </dev/null | tr -d '\r' | grep vidc; }

# install_codec ARCH: a fresh prefix of that architecture with the codec
# installed by install.exe, its wizard walked (Next, Next, Finish).
install_codec() {
  local arch=$1 log=$work/$1/wizard.log system32=$work/$1/prefix/drive_c/windows/system32
  step "install.exe in a fresh $arch prefix"
  fresh_session "$arch"
  wine "$build/install/tests/wizard_driver.exe" "$(windows_path "$exe")" </dev/null | tr -d '\r' | tee "$log"
  grep -qx 'result: Instalation succesful.' "$log" || { echo "the installation failed" >&2; exit 1; }
  if [ "$arch" = win64 ]; then
    cmp "$system32/DRAV64.VCM" "$win64/driver/DRAV64.VCM"
    cmp "$system32/../syswow64/DRAV32.VCM" "$build/driver/DRAV32.VCM"
    echo "system32\\DRAV64.VCM and syswow64\\DRAV32.VCM are the built drivers, byte for byte"
  else
    cmp "$system32/DRAV32.VCM" "$build/driver/DRAV32.VCM"
    echo "system32\\DRAV32.VCM is the built driver, byte for byte"
  fi
  show_registration
}

# record_all ARCH CLIENT DRIVER: every recording at every depth, recorded and
# played back by CLIENT through the installed codec.
record_all() {
  local arch=$1 client=$2 recording depth info avi
  step "the recordings through the installed $3, with avifil32"
  for recording in "${recordings[@]}"; do
    for depth in 32 16 8; do
      # The raw frames are large: made for this run, removed after it.
      info=$(bash "$derive" raw "$recording" "$depth" "$derived") || {
        [ "$depth" = 8 ] && { echo "$(basename "$recording"), 8-bit: skipped, no palette could be derived"; continue; }
        status=1; continue
      }
      avi=$work/$arch/$(basename "${info%.info}").avi
      wine "$client" "$(windows_path "$info")" "$(windows_path "$avi")" </dev/null | tr -d '\r' || status=1
      rm -f "${info%.info}.raw"
    done
  done
}

# place_64_bit_driver: the 64-bit driver copied and registered as install.exe
# does it, in a fresh 64-bit prefix, where install.exe cannot run.
place_64_bit_driver() {
  step "DRAV64.VCM put in place in a fresh win64 prefix"
  echo "This machine runs no 32-bit programs: install.exe and DRAV32.VCM are built, not run."
  fresh_session win64
  put_driver_in_place "$win64/driver/DRAV64.VCM"
  show_registration
}

# The 32-bit driver on 32-bit Windows, then the 64-bit driver, installed by
# the same install.exe on 64-bit Windows, with a 64-bit client.
if runs_32_bit; then
  install_codec win32
  record_all win32 "$build/main_job/avi_clip_roundtrip.exe" DRAV32.VCM
  stop_server
  stop_display
  install_codec win64
else
  place_64_bit_driver
fi
record_all win64 "$win64/main_job/avi_clip_roundtrip.exe" "DRAV64.VCM (64-bit client)"

step "what the files are, as FFmpeg sees them"
for avi in "$work"/*/*.avi; do
  printf '%s: ' "${avi#"$work"/}"
  ffprobe -v error -count_packets -show_entries stream=codec_tag_string,width,height,nb_read_packets -of compact=p=0 "$avi"
done
exit $status
