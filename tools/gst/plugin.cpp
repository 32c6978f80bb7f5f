// libgstdrav: the DRAV elements for GStreamer.
#include "elements.h"

#ifndef PACKAGE
#define PACKAGE "drevantic"
#endif

static gboolean initPlugin(GstPlugin* plugin) { return registerDravEnc(plugin) && registerDravAviSink(plugin); }

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, drav, "DRAV lossless screen video", initPlugin, DRAV_VERSION,
                  "Proprietary", "Drevantic", "drevantic")
