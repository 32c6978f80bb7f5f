# Sourced by the installer's scripts: a 32-bit Wine prefix with a server and
# an X server (Xvfb) of its own, so that runs neither wait for nor draw over
# anybody else's.

# use_prefix DIR: every later wine call goes to the prefix DIR.
use_prefix() {
  export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# A prefix that no program has run in yet; kept while it is complete.
make_fresh_prefix() {
  [ -f "$WINEPREFIX/.complete" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # No display and no inherited pipes: the server outlives wineboot.
  DISPLAY= wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.complete"
}

# Xvfb picks a free display number itself and writes it to fd 3 once ready.
start_display() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  local _
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$number_file")
  rm -f "$number_file"
}

stop_display() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# A persistent server with no pipes attached (a piped one makes every caller
# wait for it), its services started, and unmanaged windows: there is no
# window manager.
start_server() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
}

stop_server() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}

# A Unix path as the prefix sees it (Wine maps / to drive Z:).
windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }
