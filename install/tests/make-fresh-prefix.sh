#!/usr/bin/env bash
# make-fresh-prefix.sh DIR: a new 32-bit Wine prefix that no program has run
# in yet, from which every installer case takes its own copy.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-session.sh"
use_prefix "${1:?prefix dir}"
make_fresh_prefix
