# Shared by the tool's shell tests: failure reports, exit-code checks, frame hashes.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/frame-hashes.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }

# list_recordings DIR: the recordings in DIR into the array `sources`; fails
# when there are none.
list_recordings() {
  mapfile -t sources < <(bash "$derive" list "$1")
  [ ${#sources[@]} -gt 0 ] || fail "no recordings in $1"
}

# named_recordings [FILE...]: the array `recordings`: the files named, else
# those in $DRAV_CORPUS_DIR, else the repository's recordings/.
named_recordings() {
  if [ $# -gt 0 ]; then
    mapfile -t recordings < <(realpath -- "$@")
  else
    mapfile -t recordings < <(bash "$derive" list "${DRAV_CORPUS_DIR:-$(dirname "$derive")}")
  fi
}

# read_inputs SOURCE DERIVED_DIR: the associative array `input`, a depth to the
# input file recordings/derive.sh makes of SOURCE at that depth (once, in
# DERIVED_DIR).
read_inputs() {
  declare -gA input=()
  local depth file
  while read -r depth file; do input[$depth]=$file; done < <(bash "$derive" inputs "$1" "$2")
}
derive=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/recordings/derive.sh

# release_build TARGET...: `build`, the Release tree the speed comparisons
# time (build/rel), with the targets up to date.
release_build() {
  local tree
  tree=$(dirname "$(dirname "$derive")")
  build=$tree/build/rel
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target "$@" >/dev/null
}

# microseconds COMMAND...: the command's wall time, its output discarded.
microseconds() {
  local start=${EPOCHREALTIME/[.,]/}
  "$@" >/dev/null || return
  echo $((${EPOCHREALTIME/[.,]/} - start))
}

# expect_code CODE COMMAND...: runs the command with its output in out.txt and
# err.txt and fails unless it exits with CODE.
expect_code() {
  local want=$1 got; shift
  set +e; "$@" >out.txt 2>err.txt; got=$?; set -e
  [ "$got" = "$want" ] || fail "$* exited $got, expected $want; stderr: $(cat err.txt)"
}

# expect_text FILE TEXT: fails unless FILE contains TEXT.
expect_text() { grep -qF -- "$2" "$1" || fail "$1 lacks \"$2\": $(cat "$1")"; }

# same_hashes WHAT FILE-A FILE-B: fails unless the two hash lists are equal and not empty.
same_hashes() {
  [ -s "$2" ] || fail "$1: no frames"
  cmp -s "$2" "$3" || fail "$1: frames differ ($(wc -l <"$2") vs $(wc -l <"$3") frames; first difference: $(diff "$2" "$3" | head -3 | tr '\n' ' '))"
}

# patch FILE OFFSET HEX: overwrites bytes of FILE.
patch() { printf "$(echo "$3" | sed 's/../\\x&/g')" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
# packet_position FILE N: where frame N's chunk starts (its 8-byte chunk header).
packet_position() { ffprobe -v error -show_packets -of csv=p=0 -show_entries packet=pos "$1" | sed -n "$(($2 + 1))p" | cut -d, -f1; }
# add_noise FILE SEED: 40 random bytes written over the frames of FILE (from its first frame to its end).
add_noise() {
  local start end
  start=$(packet_position "$1" 0); end=$(stat -c %s "$1")
  python3 -c "
import random
random.seed($2)
data = bytearray(open('$1', 'rb').read())
for _ in range(40):
    data[random.randrange($start, $end)] = random.randrange(256)
open('$1', 'wb').write(data)"
}
