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
  vlc-bin vlc-plugin-base libvlccore-dev libvlc-dev
  help2man dpkg-dev file man-db
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

# apt-get update fails as a whole when one list does not download (a mirror
# in the middle of a sync serves it at the wrong size), though the others
# loaded: try again, then go on with the lists that did.
update_lists() {
  local attempt log
  log=$(mktemp)
  for attempt in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then rm -f "$log"; return 0; fi
    [ "$attempt" = 3 ] || sleep $((attempt * 10))
  done
  echo "bootstrap: some package lists could not be downloaded; going on with those that loaded:" >&2
  grep -E '^(E|W):' "$log" | sed 's/^/  /' >&2
  rm -f "$log"
}

install_packages() { apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1; }

update_lists
if ! install_packages "${missing[@]}"; then
  # One package that cannot be installed (with a list missing, an i386
  # library whose version no longer matches its amd64 twin) fails them all:
  # install the rest one by one and name the ones that failed.
  failed=()
  for p in "${missing[@]}"; do
    install_packages "$p" || failed+=("$p")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "bootstrap: could not install: ${failed[*]}" >&2
    echo "bootstrap: the steps that need them cannot run; try again when the mirror has recovered" \
         "(apt-get install ${failed[*]} says why)" >&2
    exit 1
  fi
fi
