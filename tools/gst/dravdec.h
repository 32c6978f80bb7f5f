// dravdec: DRAV video frames, as the AVI and Matroska demuxers hand them over,
// to raw video in the renderer's formats.
#pragma once

#include <gst/video/gstvideodecoder.h>

G_BEGIN_DECLS

#define GST_TYPE_DRAV_DEC (gst_drav_dec_get_type())
G_DECLARE_FINAL_TYPE(GstDravDec, gst_drav_dec, GST, DRAV_DEC, GstVideoDecoder)

G_END_DECLS
