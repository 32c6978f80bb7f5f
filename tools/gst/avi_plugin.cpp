// libgstdravavi: dravavisink, which writes DRAV AVIs through libavformat, in a
// module of its own so that only pipelines writing AVIs load FFmpeg.
#include <gst/gst.h>

#include "elements.h"

#ifndef PACKAGE
#define PACKAGE "drevantic"
#endif

namespace {

gboolean initPlugin(GstPlugin* plugin) { return registerDravAviSink(plugin); }

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, dravavi, "DRAV AVI writer", initPlugin, DRAV_VERSION,
                  "Proprietary", "Drevantic", "https://drevantic.invalid/")
