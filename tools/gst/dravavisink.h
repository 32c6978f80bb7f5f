// dravavisink: writes dravenc's frames into a DRAV AVI, the file `drav encode`
// writes and the driver reads (no GStreamer muxer takes a DRAV stream).
#pragma once

#include <gst/base/gstbasesink.h>

G_BEGIN_DECLS

#define GST_TYPE_DRAV_AVI_SINK (gst_drav_avi_sink_get_type())
G_DECLARE_FINAL_TYPE(GstDravAviSink, gst_drav_avi_sink, GST, DRAV_AVI_SINK, GstBaseSink)

G_END_DECLS
