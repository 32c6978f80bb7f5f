#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet when
# everything is already present; run as root on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool x11-apps x11-utils imagemagick
  ffmpeg libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-base-apps
  python3
)

missing=()
for p in "${packages[@]}"; do
  name=${p%%:*}
  arch=${p#*:}; [ "$arch" = "$p" ] && arch=
  query=$name${arch:+:$arch}
  status=$(dpkg-query -W -f='${Status}' "$query" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
