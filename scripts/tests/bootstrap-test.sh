#!/usr/bin/env bash
# bootstrap.sh against a mirror that fails: stub apt-get, dpkg-query and dpkg
# on PATH. Every list but one loads (apt-get update exits 100 every time) and
# one package cannot be installed: the others must still be installed, and the
# run must name the one that failed and exit non-zero.
set -euo pipefail
script=$(cd "$(dirname "$0")/.." && pwd)/bootstrap.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
log=$work/apt.log

stub() { printf '#!/usr/bin/env bash\n%s\n' "$2" >"$work/bin/$1"; chmod +x "$work/bin/$1"; }
# Nothing is installed yet, the i386 architecture is known.
stub dpkg-query 'exit 1'
stub dpkg 'echo i386'
stub sleep ':'
stub apt-get "echo \"\$*\" >>'$log'
case \" \$* \" in
  *' update '*) echo 'E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size' >&2; exit 100 ;;
  *' wine32:i386 '*) exit 100 ;;
esac"

set +e
output=$(PATH=$work/bin:$PATH bash "$script" 2>&1)
status=$?
set -e
fail() { echo "FAIL: $*"; echo "$output"; exit 1; }
[ "$status" -ne 0 ] || fail "a package that could not be installed was reported as success"
[ "$(grep -c '^update' "$log")" -ge 2 ] || fail "the failed update was not tried again"
grep -q 'install .* cmake$' "$log" || fail "the other packages were not installed after the failure"
grep -q 'could not install: wine32:i386$' <<<"$output" || fail "the package that failed is not named"
grep -q 'unexpected size' <<<"$output" || fail "the list that failed is not shown"
echo "bootstrap: a failing list and a failing package handled"
