#!/usr/bin/env bash
# corpus-raw.sh CORPUS_DIR OUT_DIR: derives raw bottom-up frames of every
# corpus clip at 32, 16 and 8 bits into OUT_DIR (once; later runs reuse them).
set -euo pipefail
corpus=${1:?corpus dir}; out=${2:?out dir}
mkdir -p "$out"
for clip in $(bash "$corpus/derive.sh" list); do
  for depth in 32 16 8; do
    case $depth in 32) fmt=bgr0 ;; 16) fmt=rgb555le ;; 8) fmt=pal8 ;; esac
    [ -f "$out/$clip.$fmt.info" ] && continue
    bash "$corpus/derive.sh" raw "$clip" "$depth" --bottom-up --out "$out" >/dev/null
  done
done
ls "$out"/*.info | wc -l | xargs echo "corpus clips ready:"
