#!/usr/bin/env bash
# make-fresh-prefix.sh DIR [win32|win64]: a new Wine prefix (32-bit unless
# told) that no program has run in yet, from which every installer case takes
# its own copy.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-session.sh"
use_prefix "${1:?prefix dir}" "${2:-win32}"
make_fresh_prefix
