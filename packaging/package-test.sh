#!/usr/bin/env bash
# package-test.sh [BUILD_DIR]: builds the Debian package (Release, in
# BUILD_DIR, default build/package) and checks it on this machine as a user
# meets it: apt-get installs it; with no GST_PLUGIN_PATH or VLC_PLUGIN_PATH,
# gst-play-1.0 plays a DRAV AVI to the end through dravdec, and cvlc (run as an
# unprivileged user: VLC refuses root) through the VLC module, every picture
# drav decode's frame; VLC's plugin cache lists the module; man drav reads;
# then apt-get removes it, and every file it installed is gone and the cache
# no longer lists the module. Runs as root (it installs into the system).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build/package}")
source "$root/tools/tests/test-lib.sh"
[ "$(id -u)" = 0 ] || fail "run as root: the package goes into this system"
export DEBIAN_FRONTEND=noninteractive
unset GST_PLUGIN_PATH GST_PLUGIN_SYSTEM_PATH VLC_PLUGIN_PATH
apt_quiet() { apt-get -y -qq -o=Dpkg::Use-Pty=0 "$@" >"$build/apt.log" 2>&1 || fail "apt-get $*: $(tail -5 "$build/apt.log")"; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" --target package_contents
rm -f "$build"/drevantic_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/drevantic_*.deb)
echo "built $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

work=$(mktemp -d)
chmod 755 "$work"
trap 'dpkg -s drevantic >/dev/null 2>&1 && apt_quiet remove drevantic; rm -rf "$work"' EXIT
dpkg -s drevantic >/dev/null 2>&1 && apt_quiet remove drevantic  # left by an interrupted run
cache=$(pkg-config --variable=pluginsdir vlc-plugin)/plugins.dat

(cd "$build" && apt_quiet install "./$(basename "$deb")")
dpkg-query -L drevantic >"$work/installed.txt"
while read -r path; do [ -e "$path" ] || fail "installed, but missing: $path"; done <"$work/installed.txt"
grep -q libdrav_plugin.so "$cache" || fail "VLC's plugin cache $cache does not list the module"
cd "$work"

# A DRAV AVI from the installed drav: 25 frames, a key frame every 10.
size=64x48
"${ff[@]}" -f lavfi -i testsrc=size=$size:rate=10:duration=2.5 -sws_flags neighbor -c:v rawvideo -pix_fmt rgb555le src.nut
/usr/bin/drav encode src.nut clip.avi --keyint 10 -q
/usr/bin/drav decode clip.avi - -q | frame_hashes -f rawvideo -pix_fmt rgb555le -s $size -i - -- rgb555le >expected.txt

# GStreamer, its registry made afresh from the system's plugin folders.
GST_REGISTRY=$work/registry.bin gst-play-1.0 -v --videosink="fakesink sync=false silent=false" \
  --audiosink=fakesink clip.avi >gst.txt 2>&1
grep -q "GstDravDec:dravdec0" gst.txt || fail "gst-play-1.0 did not play through dravdec: $(tail -5 gst.txt)"
[ "$(grep -c "last-message = chain" gst.txt)" = 25 ] || fail "gst-play-1.0 showed $(grep -c "last-message = chain" gst.txt) of 25 frames"

# VLC as nobody, every picture to a file (the yuv output writes a header
# line, then "FRAME" and the picture's rows for each picture it shows), with
# no file name drawn over the first pictures.
install -d -o nobody vlc
runuser -u nobody -- cvlc --play-and-exit --no-audio --no-video-title-show --vout=yuv --yuv-file="$work/vlc/pictures" \
  --yuv-chroma=RV15 --no-yuv-yuv4mpeg2 -vv clip.avi >vlc.txt 2>&1 || fail "cvlc: $(tail -5 vlc.txt)"
grep -q 'using video decoder module "drav"' vlc.txt || fail "cvlc did not decode with the module: $(tail -5 vlc.txt)"
python3 - vlc/pictures vlc.raw $((64 * 48 * 2)) <<'PY'
import sys
data, size = open(sys.argv[1], "rb").read(), int(sys.argv[3])
at, frames = data.index(b"\n") + 1, []
while data.startswith(b"FRAME\n", at):
    frames.append(data[at + 6:at + 6 + size])
    at += 6 + size
open(sys.argv[2], "wb").write(b"".join(frames))
PY
frame_hashes -f rawvideo -pix_fmt rgb555le -s $size -i vlc.raw -- rgb555le | uniq >got.txt
source "$root/tools/vlc/tests/vlc-lib.sh"  # same_pictures
same_pictures "cvlc" expected.txt got.txt

MANPAGER=cat man drav 2>&1 | tr -s " " >man.txt || fail "man drav: $(cat man.txt)"
expect_text man.txt "drav encode INPUT OUTPUT.avi"
expect_text man.txt "--keyint N"

apt_quiet remove drevantic
dpkg -s drevantic >/dev/null 2>&1 && fail "drevantic is still installed"
while read -r path; do
  # Folders stay while other packages' files are in them.
  [ ! -e "$path" ] || { [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; } || fail "left behind: $path"
done <"$work/installed.txt"
! grep -q libdrav_plugin.so "$cache" || fail "VLC's plugin cache still lists the module"
echo "package: installed $(grep -c . "$work/installed.txt") paths; gst-play-1.0 showed 25 of 25 frames;" \
  "cvlc (as nobody) $(wc -l <got.txt) of 25, each drav decode's; man drav; removed, nothing left"
