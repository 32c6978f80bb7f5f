#!/usr/bin/env bash
# Sets everything up and runs every test:
#   1. native build under AddressSanitizer + UndefinedBehaviorSanitizer: codec, tool, GStreamer and VLC tests
#   2. libFuzzer build (clang): every fuzz_* target for a bounded time
#   3. Windows build (MinGW i686): driver, installer and library tests under Wine + Xvfb
#      (built, not run, on a machine that runs no 32-bit programs)
#   4. 64-bit driver (MinGW x86-64): every test its tree builds, under Wine in a 64-bit prefix
#   5. cross-checks: drav and both drivers under Wine read each other's files
#   6. the Debian package: installed, played in GStreamer and VLC, removed
# Run as root on Debian 12 (the bootstrap installs packages).
set -euo pipefail
# The command that ends the run, named where CI shows the output's end.
trap 'echo "test-all.sh: stopped at line $LINENO, exit $?: $BASH_COMMAND"' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fuzz_seconds=${DRAV_FUZZ_SECONDS:-60}

bash scripts/bootstrap.sh

step() { printf '\n== %s\n' "$*"; }

# The trees share one folder of the recordings' raw frames (gigabytes). The
# free space is shown: a full disk fails whichever step writes next.
corpus_raw=$root/build/corpus-raw
mkdir -p build
echo "free space for build/: $(df -h --output=avail build | tail -1 | tr -d ' ')"

# run_windows_tests BUILD [CTEST-ARGS...]: the build's tests under Wine. Wine
# now and then fails a process at exit after its test has passed: those tests
# alone (GoogleTest printed PASSED for all it ran, yet the exit code is not 0)
# run once more; any other failure stands.
run_windows_tests() {
  local build=$1 junit crashed; shift
  junit=$root/$build/Testing/results.xml
  rm -f "$junit"
  # ctest reports a test program that cannot list its tests on stderr. Wine
  # now and then fails a program as it starts (once in four fresh runs here):
  # the listing gets a second try.
  local attempt
  for attempt in 1 2; do
    ctest --test-dir "$build" -j2 --output-on-failure --output-junit "$junit" "$@" 2>&1 && return 0
    [ -f "$junit" ] && break
    echo "ctest ran no tests in $build: a test program could not list its tests (above)"
    [ "$attempt" = 2 ] && return 1
    echo "once more"
  done
  crashed=$(python3 - "$junit" <<'PY'
import re, sys, xml.etree.ElementTree as tree
crashed, other = [], []
for case in tree.parse(sys.argv[1]).iter("testcase"):
    if case.get("status") != "fail":
        continue
    out = case.findtext("system-out") or ""
    passed = re.search(r"^\[  PASSED  \] \d+ tests?\.", out, re.M) and "[  FAILED  ]" not in out
    (crashed if passed else other).append(case.get("name"))
print("|".join(crashed) if crashed and not other else "")
PY
)
  [ -n "$crashed" ] || return 1
  echo "passed, then failed at exit: ${crashed//|/, }; once more"
  ctest --test-dir "$build" --output-on-failure -R "^($crashed)\$"
}

step "native build, ASan + UBSan"
cmake -S . -B build/asan -G Ninja -DDRAV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DDRAV_CORPUS_RAW_DIR="$corpus_raw" >/dev/null
cmake --build build/asan
ctest --test-dir build/asan -j2 --output-on-failure

step "fuzz targets, ${fuzz_seconds}s each"
cmake -S . -B build/fuzz -G Ninja -DDRAV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz
bash scripts/run-fuzzers.sh build/fuzz "$fuzz_seconds"

step "Windows build (Release), tests under Wine"
# A kernel without IA-32 emulation runs no 32-bit program, Wine's included:
# there the 32-bit tree is built (it is what ships) but not run, and the
# x86-64 tree runs the codec's and the class library's suites in its place.
if bash scripts/wine-session.sh runs-32-bit; then
  runs32=yes library_tests64=OFF
else
  runs32= library_tests64=ON
fi
# The 64-bit tree first: install.exe carries its DRAV64.VCM, and the
# installer's 64-bit cases run its clients; step 4 tests it (built once).
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DDRAV_LIBRARY_TESTS=$library_tests64 -DDRAV_CORPUS_RAW_DIR="$corpus_raw" >/dev/null
cmake --build build/win64
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
      -DDRAV_WIN64_BUILD_DIR="$root/build/win64" -DDRAV_CORPUS_RAW_DIR="$corpus_raw" >/dev/null
cmake --build build/win
prefix=$root/build/win/wineprefix
export DISPLAY=${DRAV_DISPLAY:-:77}
if [ -n "$runs32" ]; then
  bash scripts/wine-session.sh start "$prefix"
  trap 'bash scripts/wine-session.sh stop "$prefix"' EXIT
  run_windows_tests build/win
else
  echo "NOT RUN: this machine runs no 32-bit programs (its kernel has no IA-32 emulation). The 32-bit"
  echo "tree is built; its tests (DRAV32.VCM's, install.exe's wizard cases) need a machine that does."
  echo "The codec's and the class library's suites run in the x86-64 tree (step 4)."
fi

step "64-bit driver, its tests under Wine in a 64-bit prefix"
# Every test the x86-64 tree builds (CMake chooses them: the driver's and its
# dialogs', and where step 3 ran none, the codec's and the class library's),
# built in step 3; the installer's suites (with its 64-bit cases) are the
# 32-bit step's (two cores: not twice).
prefix64=$root/build/win64/wineprefix
bash scripts/wine-session.sh start "$prefix64" win64
trap 'bash scripts/wine-session.sh stop "$prefix64"; bash scripts/wine-session.sh stop "$prefix"' EXIT
run_windows_tests build/win64

step "cross-checks, drav and the drivers"
if [ -n "$runs32" ]; then
  bash scripts/cross-checks.sh build/asan build/win build/win64
else
  bash scripts/cross-checks.sh build/asan build/win64
fi

step "Debian package: installed, played in GStreamer and VLC, read as man drav, removed"
bash packaging/package-test.sh build/package
echo "build/ takes $(du -sh build | cut -f1); free space left: $(df -h --output=avail build | tail -1 | tr -d ' ')"
