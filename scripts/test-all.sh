#!/usr/bin/env bash
# Sets everything up and runs every test:
#   1. native build under AddressSanitizer + UndefinedBehaviorSanitizer: codec and tool tests
#   2. libFuzzer build (clang): every fuzz_* target for a bounded time
#   3. Windows build (MinGW i686): driver, installer and library tests under Wine + Xvfb
#   4. cross-checks: drav and the driver under Wine read each other's files
# Run as root on Debian 12 (the bootstrap installs packages).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fuzz_seconds=${DRAV_FUZZ_SECONDS:-60}

bash scripts/bootstrap.sh

step() { printf '\n== %s\n' "$*"; }

step "native build, ASan + UBSan"
cmake -S . -B build/asan -G Ninja -DDRAV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/asan
ctest --test-dir build/asan -j2 --output-on-failure

step "fuzz targets, ${fuzz_seconds}s each"
cmake -S . -B build/fuzz -G Ninja -DDRAV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz
bash scripts/run-fuzzers.sh build/fuzz "$fuzz_seconds"

step "Windows build, tests under Wine"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win
prefix=$root/build/win/wineprefix
bash scripts/wine-session.sh start "$prefix"
trap 'bash scripts/wine-session.sh stop "$prefix"' EXIT
# Wine now and then fails a process at exit after its test has passed: a test
# gets one more run before it counts as failed.
DISPLAY=${DRAV_DISPLAY:-:77} ctest --test-dir build/win -j2 --output-on-failure --repeat until-pass:2

step "cross-checks, drav and the driver"
bash scripts/cross-checks.sh build/asan build/win
