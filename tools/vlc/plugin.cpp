// libdrav_plugin.so: VLC's module descriptor. VLC finds it in its plugin
// folder (or VLC_PLUGIN_PATH) and loads it for FOURCC DRAV streams.
#include <vlc_common.h>
#include <vlc_plugin.h>

#include <climits>

#include "vlc_module.h"

using namespace drav::vlc;

namespace {

const char* const CHROMA_VALUES[] = {"", "RV15", "RV16", "RV24", "RV32"};
const char* const CHROMA_TEXTS[] = {"the stream's own", "RGB555", "RGB565", "24-bit BGR", "32-bit BGRX"};

}  // namespace

// VLC's descriptor macros read as a list, one property a line (to the end of
// the file).
// clang-format off
vlc_module_begin()
    set_shortname("DRAV")
    set_description("DRAV lossless screen recording decoder")
    set_category(CAT_INPUT)
    set_subcategory(SUBCAT_INPUT_VCODEC)
    set_capability("video decoder", 100)
    set_callbacks(openDecoder, closeDecoder)
    add_string(CHROMA_OPTION, "", "Output chroma",
               "The pictures' format: RV15, RV16, RV24 or RV32; by default the stream's own "
               "(RV15 for 16-bit streams, RV24 for 8-bit ones)", true)
        change_string_list(CHROMA_VALUES, CHROMA_TEXTS)

    add_submodule()
        set_description("DRAV lossless screen recording encoder")
        set_capability("encoder", 100)
        set_callbacks(openEncoder, closeEncoder)
        add_integer_with_range(KEY_INTERVAL_VARIABLE, DEFAULT_KEY_INTERVAL, 1, INT_MAX, "Key frame interval",
                               "A key frame every this many frames", false)
vlc_module_end()
