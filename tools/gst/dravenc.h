// dravenc: raw BGRx or RGB15 pictures in, DRAV frames out, on GStreamer's
// video encoder base class. The frames and the stream format are those of
// `drav encode` and of the driver: key frames every key-interval frames and
// wherever upstream forces one, flagged as sync points.
#pragma once

#include <gst/video/gstvideoencoder.h>

G_BEGIN_DECLS

#define GST_TYPE_DRAV_ENC (gst_drav_enc_get_type())
G_DECLARE_FINAL_TYPE(GstDravEnc, gst_drav_enc, GST, DRAV_ENC, GstVideoEncoder)

G_END_DECLS
