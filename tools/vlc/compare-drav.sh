#!/usr/bin/env bash
# compare-drav.sh [REPEATS] [RECORDING...]: the VLC module against drav on the
# same files, side by side in one run; prints a Markdown table. Each recording
# (those named, else $DRAV_CORPUS_DIR's, else the repository's recordings/)
# is encoded by drav at 16 and, when recordings/derive.sh gives one, 8 bits,
# then decoded
#   by drav decode FILE - -q (RGB555 or BGR24 to /dev/null)  against
#   VLC, cvlc -I dummy FILE --sout '#transcode{vcodec=RV15,venc=dummy}:dummy'
#     (RV24 for 8 bits): VLC's AVI demuxer, the module decoding every frame to
#     the stream's own chroma, pictures handed to VLC's dummy encoder;
#   and VLC starting and ending with nothing to play: its own cost in every
#     run, which the last column takes away from VLC's time.
# Whole processes of a Release build (build/rel), VLC as nobody when run as
# root (VLC refuses root), the programs taking turns, the best of REPEATS
# (default 3) each.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
repeats=${1:-3}
shift || true
source "$root/tools/tests/test-lib.sh"
named_recordings "$@"
release_build drav drav_plugin
drav=$build/tools/drav work=$build/compare-vlc
mkdir -p "$work" && chmod 755 "$work" && cd "$work"
export VLC_PLUGIN_PATH=$build/tools/vlc
as_user=()
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# race WHAT: runs drav_run, vlc_run and VLC with nothing to play in turn,
# REPEATS times each, and prints the table row of WHAT with the best time of
# each.
race() {
  local best_drav=$((1 << 62)) best_vlc=$((1 << 62)) best_floor=$((1 << 62)) t
  for ((i = 0; i < repeats; i++)); do
    t=$(microseconds "${drav_run[@]}" 2>/dev/null)
    best_drav=$((t < best_drav ? t : best_drav))
    t=$(microseconds "${as_user[@]}" cvlc -I dummy --no-audio "${vlc_run[@]}" vlc://quit 2>/dev/null)
    best_vlc=$((t < best_vlc ? t : best_vlc))
    t=$(microseconds "${as_user[@]}" cvlc -I dummy --no-audio vlc://quit 2>/dev/null)
    best_floor=$((t < best_floor ? t : best_floor))
  done
  awk -v what="$1" -v d="$best_drav" -v v="$best_vlc" -v f="$best_floor" \
    'BEGIN { printf "| %s | %.3f | %.3f | %.2f | %.3f | %.2f |\n", what, d / 1e6, v / 1e6, v / d, f / 1e6, (v - f) / d }'
}

echo "| clip, frames, work | drav (s) | VLC (s) | VLC / drav | VLC's start alone (s) | (VLC - start) / drav |"
echo "|---|---|---|---|---|---|"
for recording in "${recordings[@]}"; do
  clip=$(basename "${recording%.*}")
  read_inputs "$recording" "$work/derived"
  for depth in 16 8; do
    [ -n "${input[$depth]:-}" ] || continue
    avi=$clip.$depth.avi chroma=RV15
    [ "$depth" = 8 ] && chroma=RV24
    [ "$avi" -nt "${input[$depth]}" ] || "$drav" encode "${input[$depth]}" "$avi" -q
    chmod 644 "$avi"
    frames=$("$drav" info --brief "$avi" | sed -n 's/^frames: *//p')
    drav_run=("$drav" decode "$avi" - -q)
    vlc_run=("$avi" --sout "#transcode{vcodec=$chroma,venc=dummy}:dummy")
    race "$clip, $frames, decode $depth-bit"
  done
done
