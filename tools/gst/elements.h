// The plugin's elements, each registered by its own source file.
#pragma once

#include <gst/gst.h>

gboolean registerDravDec(GstPlugin* plugin);
gboolean registerDravEnc(GstPlugin* plugin);
gboolean registerDravAviSink(GstPlugin* plugin);
