// libgstdrav: the GStreamer decoder and encoder over the DRAV frame codec.
#include <gst/gst.h>

#include "elements.h"

#ifndef PACKAGE
#define PACKAGE "drevantic"
#endif

namespace {

gboolean initPlugin(GstPlugin* plugin) { return registerDravDec(plugin) && registerDravEnc(plugin); }

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, drav, "DRAV lossless screen-recording video codec", initPlugin,
                  DRAV_VERSION, "Proprietary", "Drevantic", "https://drevantic.invalid/")
