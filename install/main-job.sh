#!/usr/bin/env bash
# The main job on Windows, under Wine, from a fresh machine:
#   1. builds everything for Windows (DRAV32.VCM, install.exe with the driver
#      inside, the helper programs);
#   2. makes a fresh 32-bit prefix and installs the codec there with
#      install.exe, walking its wizard (Next, Next, the installation, Finish);
#   3. records every corpus clip at 32, 16 and 8 bits through the installed
#      codec with avifil32 (handler DRAV) into an AVI file, plays the file
#      back through the codec, and prints the compression ratio, the speed
#      and whether every frame came back.
# Run as root on Debian 12 (the bootstrap installs packages).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/wine-session.sh
corpus=${DRAV_CORPUS_DIR:-$root/../shared/corpus}
build=${DRAV_WIN_BUILD:-$root/build/win}
work=${DRAV_MAIN_JOB_WORK:-$root/build/main-job-win}
prefix=$work/prefix

step() { printf '\n== %s\n' "$*"; }

bash scripts/bootstrap.sh
step "Windows build"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" -j2 | tail -1
exe=$build/install/install.exe

step "install.exe in a fresh prefix"
rm -rf "$work"
mkdir -p "$work/corpus"
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

step "corpus clips through the installed codec, with avifil32"
status=0
for clip in $(bash "$corpus/derive.sh" list); do
  for depth in 32 16 8; do
    info=$(bash "$corpus/derive.sh" raw "$clip" "$depth" --bottom-up --out "$work/corpus" | sed -n 's/^raw=//p')
    info=${info%.raw}.info
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
