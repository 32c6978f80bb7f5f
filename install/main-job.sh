#!/usr/bin/env bash
# main-job.sh [RECORDING...]: the main job on Windows, under Wine, from a fresh machine:
#   1. builds everything for Windows (DRAV32.VCM, install.exe with the driver
#      inside, the helper programs);
#   2. makes a fresh 32-bit prefix and installs the codec there with
#      install.exe, walking its wizard (Next, Next, the installation, Finish);
#   3. records every recording at 32, 16 and 8 bits (8 when a palette can be
#      derived: recordings/derive.sh) through the installed codec with avifil32
#      (handler DRAV) into an AVI file, plays the file back through the codec,
#      and prints the compression ratio, the speed and whether every frame came back.
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
prefix=$work/prefix

step() { printf '\n== %s\n' "$*"; }

bash scripts/bootstrap.sh
step "Windows build (Release, as shipped)"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 | tail -1
exe=$build/install/install.exe

step "install.exe in a fresh prefix"
rm -rf "$work"
mkdir -p "$work"
use_prefix "$prefix"
make_fresh_prefix
trap 'stop_server; stop_display' EXIT
start_display
start_server
wine "$build/install/tests/wizard_driver.exe" "$(windows_path "$exe")" </dev/null | tr -d '\r' | tee "$work/wizard.log"
grep -qx 'result: Instalation succesful.' "$work/wizard.log" || { echo "the installation failed" >&2; exit 1; }
cmp "$prefix/drive_c/windows/system32/DRAV32.VCM" "$build/driver/DRAV32.VCM"
echo "system32\\DRAV32.VCM is the built driver, byte for byte"
wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32' /v vidc.DRAV </dev/null | tr -d '\r' | grep vidc

step "the recordings through the installed codec, with avifil32"
status=0
for recording in "${recordings[@]}"; do
  for depth in 32 16 8; do
    # The raw frames are large: made for this run, removed after it.
    info=$(bash "$derive" raw "$recording" "$depth" "$derived") || {
      [ "$depth" = 8 ] && { echo "$(basename "$recording"), 8-bit: skipped, no palette could be derived"; continue; }
      status=1; continue
    }
    avi=$work/$(basename "${info%.info}").avi
    wine "$build/install/avi_clip_roundtrip.exe" "$(windows_path "$info")" "$(windows_path "$avi")" </dev/null |
      tr -d '\r' || status=1
    rm -f "${info%.info}.raw"
  done
done
step "what the files are, as FFmpeg sees them"
for avi in "$work"/*.avi; do
  printf '%s: ' "$(basename "$avi")"
  ffprobe -v error -count_packets -show_entries stream=codec_tag_string,width,height,nb_read_packets -of compact=p=0 "$avi"
done
exit $status
