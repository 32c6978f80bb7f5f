#!/usr/bin/env bash
# install-test.sh BUILD_DIR WORKDIR: cmake --install puts into a staging root
# (DESTDIR) exactly what the Debian package holds: drav, drav(1) that man
# reads, the GStreamer plugins in GStreamer's plugin folder and the VLC
# module in VLC's, and nothing else.
set -euo pipefail
build=$1 work=$2
source "$(dirname "$0")/../tools/tests/test-lib.sh"
rm -rf "$work"; mkdir -p "$work"
DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.txt" || fail "$(cat "$work/install.txt")"
(cd "$work/root" && find . -type f | sed 's/^\.//' | sort) >"$work/files.txt"
gst=$(pkg-config --variable=pluginsdir gstreamer-1.0) vlc=$(pkg-config --variable=pluginsdir vlc-plugin)
printf '%s\n' /usr/bin/drav /usr/share/man/man1/drav.1.gz "$gst/libgstdrav.so" "$gst/libgstdravavi.so" \
  "$vlc/codec/libdrav_plugin.so" | sort >"$work/expected.txt"
cmp -s "$work/expected.txt" "$work/files.txt" || fail "installed: $(diff "$work/expected.txt" "$work/files.txt" | tr '\n' ' ')"
MANWIDTH=80 man -l "$(find "$work/root" -name drav.1.gz)" 2>&1 | tr -s " " >"$work/man.txt" ||
  fail "man: $(cat "$work/man.txt")"
for text in "drav - make, play back and check DRAV screen recordings" "drav decode INPUT.avi OUTPUT" \
  "The encode command:" "--keyint N" "--smooth-half" "Exit status: 0 done"; do
  expect_text "$work/man.txt" "$text"
done
echo "install: 5 files where the package puts them; drav(1) reads"
