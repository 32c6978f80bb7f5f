#!/usr/bin/env bash
# wine-session.sh: Wine prefixes (32-bit, or 64-bit with WoW64) with a server and an X server (Xvfb),
# the one way the tests, the installer's cases and the main job run Windows
# programs. Sourced for its functions; or run as
#   wine-session.sh start PREFIX [win32|win64]
#                                  the test run's session: the prefix (made if
#                                  needed), a persistent server with its services and
#                                  desktop, and Xvfb on $DRAV_DISPLAY (default :77)
#   wine-session.sh stop PREFIX    ends the prefix's server and processes, and Xvfb.
#   wine-session.sh runs-32-bit    exits 0 when this machine runs 32-bit programs
# Servers and desktops inherit no pipes: a piped server makes every caller wait for it.

# use_prefix DIR [win32|win64]: every later wine call goes to the prefix DIR
# (made absolute: Wine takes no other), made for that architecture (32-bit
# unless told).
use_prefix() {
  export WINEPREFIX=$(realpath -m "$1") WINEARCH=${2:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Whether the kernel runs 32-bit programs at all: one without IA-32 emulation
# (some virtual machines' kernels) cannot start Debian's 32-bit Wine loader.
runs_32_bit() { command wine --version </dev/null >/dev/null 2>&1; }

# Debian's `wine` is the 32-bit loader; a 64-bit prefix runs its programs with
# the 64-bit one, so that reg.exe writes the 64-bit registry view.
wine() {
  if [ "${WINEARCH:-win32}" = win64 ]; then command /usr/lib/wine/wine64 "$@"; else command wine "$@"; fi
}

# put_driver_in_place FILE: the codec's driver file in the prefix's system
# directory, registered as vidc.DRAV under Drivers32: what install.exe does.
drivers32_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32'
put_driver_in_place() {
  cp "$1" "$WINEPREFIX/drive_c/windows/system32/" &&
    wine reg add "$drivers32_key" /v vidc.DRAV /t REG_SZ /d "$(basename "$1")" /f </dev/null >/dev/null 2>&1
}

# The prefix, made (with no display) if it does not exist yet.
make_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  if ! DISPLAY= wine wineboot.exe -i </dev/null >/dev/null 2>&1; then
    echo "wine-session.sh: wineboot could not make the prefix $WINEPREFIX" \
      "$([ "$WINEARCH" = win32 ] && ! runs_32_bit && echo "(this machine runs no 32-bit programs)")" >&2
    return 1
  fi
  wineserver -w </dev/null >/dev/null 2>&1
}

# A prefix that no program has run in yet; kept while it is complete.
make_fresh_prefix() {
  [ -f "$WINEPREFIX/.complete" ] && return 0
  rm -rf "$WINEPREFIX"
  make_prefix
  touch "$WINEPREFIX/.complete"
}

# start_display [:N]: Xvfb on display N, or on a free one that it picks; sets
# DISPLAY and xvfb_pid once the server takes connections (Xvfb reports its
# number then). Fails when it does not within ten seconds.
start_display() {
  local number_file _
  number_file=$(mktemp)
  Xvfb ${1:-} -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$number_file" ]; then
    rm -f "$number_file"
    stop_display
    echo "wine-session.sh: Xvfb did not start${1:+ on display $1}" >&2
    return 1
  fi
  export DISPLAY=:$(tr -d '\n' <"$number_file")
  rm -f "$number_file"
}

stop_display() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# A persistent server (the one running, if any) with its services started, and unmanaged windows:
# there is no window manager.
# A server that is still ending (another session's, just stopped) fails the
# first program: it is tried again once that server has gone.
start_server() {
  local attempt
  for attempt in 1 2 3; do
    wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when the server runs already
    wine cmd /c exit </dev/null >/dev/null 2>&1 &&
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 &&
      return 0
    wineserver -w </dev/null >/dev/null 2>&1 || true
    sleep "$attempt"
  done
  echo "wine-session.sh: Wine runs no program in $WINEPREFIX (try: WINEPREFIX=$WINEPREFIX wine cmd /c exit)" >&2
  return 1
}

stop_server() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}

# A Unix path as the prefix sees it (Wine maps / to drive Z:).
windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

# The test run's session, kept between commands: Xvfb's process id beside the prefix.
session_start() {
  local pid_file=$WINEPREFIX.xvfb.pid display=${DRAV_DISPLAY:-:77}
  make_prefix
  start_server
  # A display that already answers (another prefix's session) is shared, and
  # stays with the session that started it. A pid file left by a session that
  # did not stop may name another process by now: only the display counts.
  if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
    start_display "$display" || return 1
    echo "$xvfb_pid" >"$pid_file"
  fi
  # The desktop process, started here without pipes: otherwise every program
  # that uses user32 starts its own, which inherits the caller's pipes and
  # holds them a second after the program ends (ctest waits for it).
  DISPLAY=$display setsid wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
}

session_stop() {
  local pid_file=$WINEPREFIX.xvfb.pid
  stop_server
  if [ -f "$pid_file" ]; then kill "$(cat "$pid_file")" 2>/dev/null || true; rm -f "$pid_file"; fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case ${1:-} in
    start | stop) use_prefix "${2:?prefix}" "${3:-win32}"; "session_$1" ;;
    runs-32-bit) runs_32_bit ;;
    *) echo "usage: $0 start|stop PREFIX [win32|win64] | runs-32-bit" >&2; exit 2 ;;
  esac
fi
