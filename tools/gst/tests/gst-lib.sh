# Sourced by the GStreamer element tests, their benchmarks and the
# cross-checks (sources the tool tests' test-lib.sh too).
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/test-lib.sh"

# gst PROGRAM ARGS...: a GStreamer program with the plugin GST_PLUGIN_PATH
# names. A sanitized plugin needs the sanitizers' runtimes loaded first into
# the uninstrumented program, and GLib's tables kept until exit are no leak.
gst() {
  local preload lsan=
  preload=$(ldd "${GST_PLUGIN_PATH:?}/libgstdrav.so" | awk '/lib(a|ub)san/ { printf "%s ", $3 }')
  [ -n "$preload" ] && lsan="fast_unwind_on_malloc=0:suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan-glib.supp"
  LD_PRELOAD=$preload LSAN_OPTIONS=$lsan "$@"
}
