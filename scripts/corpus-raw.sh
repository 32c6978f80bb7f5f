#!/usr/bin/env bash
# corpus-raw.sh RECORDINGS_DIR OUT_DIR: raw frames of every recording in the
# folder at 32, 16 and 8 bits, as a DIB stores them (recordings/derive.sh),
# made once in OUT_DIR, and OUT_DIR/clips.txt: one line a recording, its name
# and the depths it has ("term720 32 16 8"), for the tests and benchmarks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
recordings=${1:?recordings dir}; out=${2:?out dir}
derive=$root/recordings/derive.sh
mkdir -p "$out"
mapfile -t sources < <(bash "$derive" list "$recordings")
[ ${#sources[@]} -gt 0 ] || { echo "no recordings in $recordings" >&2; exit 1; }
list=$out/clips.txt.part
: >"$list"
for source in "${sources[@]}"; do
  depths=
  for depth in 32 16 8; do
    if bash "$derive" raw "$source" "$depth" "$out" >/dev/null; then
      depths+=" $depth"
    elif [ "$depth" != 8 ]; then
      exit 1
    fi
  done
  name=$(basename "$source"); echo "${name%.*}$depths" >>"$list"
done
mv "$list" "$out/clips.txt"
sed 's/^/recording ready: /' "$out/clips.txt"
