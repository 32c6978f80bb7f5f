#!/usr/bin/env bash
# wine-session.sh start|stop PREFIX
# start: create the 32-bit prefix if needed, start a persistent wineserver with
#        its services, make windows unmanaged (no window manager under Xvfb) and
#        start Xvfb on $DRAV_DISPLAY (default :77) for the dialog tests.
# stop:  end the prefix's server and processes, and Xvfb.
# The server inherits no pipes: a piped server makes every caller wait for it.
set -euo pipefail
cmd=${1:?start|stop}
export WINEPREFIX=${2:?prefix}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
display=${DRAV_DISPLAY:-:77}
xpid_file=$WINEPREFIX.xvfb.pid

case $cmd in
start)
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DISPLAY= wineboot -i </dev/null >/dev/null 2>&1
  fi
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  if [ ! -f "$xpid_file" ] || ! kill -0 "$(cat "$xpid_file")" 2>/dev/null; then
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo $! >"$xpid_file"
    for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  # The desktop process, started here without pipes: otherwise every program
  # that uses user32 starts its own, which inherits the caller's pipes and
  # holds them a second after the program ends (ctest waits for it).
  DISPLAY=$display setsid wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  ;;
stop)
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ -f "$xpid_file" ]; then kill "$(cat "$xpid_file")" 2>/dev/null || true; rm -f "$xpid_file"; fi
  ;;
*) echo "usage: $0 start|stop PREFIX" >&2; exit 2 ;;
esac
