#include "dravenc.h"

#include <memory>
#include <new>
#include <vector>

#include "codec/frame_codec.h"
#include "codec/frame_format.h"
#include "codec/stream_format.h"
#include "element_guard.h"
#include "elements.h"

GST_DEBUG_CATEGORY_STATIC(dravenc_debug);
#define GST_CAT_DEFAULT dravenc_debug

namespace {

constexpr guint DEFAULT_KEY_INTERVAL = 100;

enum { PROP_0, PROP_KEY_INTERVAL };

// One stream: the compressor and room for the largest frame. All allocated
// when the input format is set, nothing per frame.
struct EncoderStream {
    GstVideoInfo input;
    drav::FrameCompressor codec;
    std::vector<uint8_t> frame;
    uint32_t framesToKey = 0;  // delta frames left before the next scheduled key frame
};

}  // namespace

struct _GstDravEnc {
    GstVideoEncoder parent;
    guint keyInterval;
    EncoderStream* stream;
};

G_DEFINE_TYPE(GstDravEnc, gst_drav_enc, GST_TYPE_VIDEO_ENCODER)

namespace {

// The compressor's input depth for a raw format: BGRx is its 32-bit picture
// (blue, green, red, unused), RGB15 in host order its 16-bit RGB555 on a
// little-endian machine. Other formats are left to videoconvert.
unsigned inputDepthOf(GstVideoFormat format) {
    switch (format) {
        case GST_VIDEO_FORMAT_BGRx: return 32;
        case GST_VIDEO_FORMAT_RGB15: return 16;
        default: return 0;
    }
}

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS("video/x-raw, format = (string) { BGRx, RGB15 }, "
                                            "width = (int) [ 1, 65535 ], height = (int) [ 1, 65535 ], "
                                            "framerate = (fraction) [ 0/1, MAX ]"));

// As the AVI demuxer presents a DRAV stream, with the stream's format, the
// BITMAPINFOHEADER a VfW track in Matroska carries, as codec_data.
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS("video/x-avi-unknown, fourcc = (int) 1447121476, "
                                            "width = (int) [ 1, 65535 ], height = (int) [ 1, 65535 ], "
                                            "framerate = (fraction) [ 0/1, MAX ]"));

GstCaps* outputCaps(const drav::PictureFormat& input) {
    uint8_t format[drav::BITMAP_HEADER_SIZE];
    drav::writeCompressedStreamHeader(drav::proposeCompressedFormat(input), format);
    GstBuffer* header = gst_buffer_new_memdup(format, sizeof format);
    GstCaps* caps = gst_caps_new_simple("video/x-avi-unknown", "fourcc", G_TYPE_INT, int(drav::FOURCC_DRAV),
                                        "codec_data", GST_TYPE_BUFFER, header, nullptr);
    gst_buffer_unref(header);
    return caps;
}

void dropStream(GstDravEnc* self) {
    delete self->stream;
    self->stream = nullptr;
}

// A running stream for pictures of the format, or null without the memory.
EncoderStream* newStream(const GstVideoInfo& info, unsigned depth) {
    const auto width = uint32_t(GST_VIDEO_INFO_WIDTH(&info)), height = uint32_t(GST_VIDEO_INFO_HEIGHT(&info));
    try {
        auto stream = std::make_unique<EncoderStream>();
        if (stream->codec.begin(drav::PictureFormat{width, height, depth}) != drav::CodecStatus::Ok) return nullptr;
        stream->input = info;
        stream->frame.resize(stream->codec.maxFrameSize());
        return stream.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

gboolean setFormat(GstVideoEncoder* encoder, GstVideoCodecState* state) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    const GstVideoInfo& info = state->info;
    const unsigned depth = inputDepthOf(GST_VIDEO_INFO_FORMAT(&info));
    const auto width = uint32_t(GST_VIDEO_INFO_WIDTH(&info)), height = uint32_t(GST_VIDEO_INFO_HEIGHT(&info));
    dropStream(self);
    if (depth == 0 || !drav::isPictureSizeSupported(width, height)) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr), ("no DRAV stream for %ux%u pictures", width, height));
        return FALSE;
    }
    self->stream = newStream(info, depth);
    if (!self->stream) {
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, (nullptr), ("no memory for a %ux%u stream", width, height));
        return FALSE;
    }

    GstVideoCodecState* output =
        gst_video_encoder_set_output_state(encoder, outputCaps(drav::PictureFormat{width, height, depth}), state);
    gst_video_codec_state_unref(output);
    return gst_video_encoder_negotiate(encoder);
}

// Compresses the mapped picture where it lies: GStreamer's rows run
// top-down, the compressor counts them from the bottom.
drav::CodecStatus compressPicture(const GstVideoFrame& picture, EncoderStream& stream, bool key,
                                  drav::CompressedFrame& coded) {
    const auto* top = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&picture, 0));
    const ptrdiff_t stride = GST_VIDEO_FRAME_PLANE_STRIDE(&picture, 0);
    return stream.codec.compressRows(top + ptrdiff_t(GST_VIDEO_FRAME_HEIGHT(&picture) - 1) * stride, -stride, nullptr,
                                     key, drav::MutableByteSpan{stream.frame.data(), stream.frame.size()}, coded);
}

bool nextIsKeyFrame(EncoderStream& stream, guint keyInterval, bool forced) {
    const bool key = forced || stream.framesToKey == 0;
    stream.framesToKey = key ? keyInterval - 1 : stream.framesToKey - 1;
    return key;
}

GstFlowReturn handleFrame(GstVideoEncoder* encoder, GstVideoCodecFrame* frame) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    EncoderStream* stream = self->stream;
    if (!stream) {
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstVideoFrame picture;
    if (!gst_video_frame_map(&picture, &stream->input, frame->input_buffer, GST_MAP_READ)) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, (nullptr), ("cannot read input frame %u", frame->system_frame_number));
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_ERROR;
    }
    GST_OBJECT_LOCK(self);
    const guint keyInterval = self->keyInterval;
    GST_OBJECT_UNLOCK(self);
    const bool key = nextIsKeyFrame(*stream, keyInterval, GST_VIDEO_CODEC_FRAME_IS_FORCE_KEYFRAME(frame));
    drav::CompressedFrame coded;
    const drav::CodecStatus status = compressPicture(picture, *stream, key, coded);
    gst_video_frame_unmap(&picture);
    if (status != drav::CodecStatus::Ok) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, (nullptr), ("the codec failed frame %u", frame->system_frame_number));
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_ERROR;
    }
    frame->output_buffer = gst_video_encoder_allocate_output_buffer(encoder, coded.size);
    if (!frame->output_buffer) {
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, ("no buffer for a %u-byte frame", coded.size), (nullptr));
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_ERROR;
    }
    gst_buffer_fill(frame->output_buffer, 0, stream->frame.data(), coded.size);
    if (coded.keyFrame) GST_VIDEO_CODEC_FRAME_SET_SYNC_POINT(frame);
    return gst_video_encoder_finish_frame(encoder, frame);
}

// Whatever follows a flush (a seek upstream) opens with a key frame.
gboolean flushEncoder(GstVideoEncoder* encoder) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    if (self->stream) self->stream->framesToKey = 0;
    return TRUE;
}

gboolean stopEncoding(GstVideoEncoder* encoder) {
    dropStream(GST_DRAV_ENC(encoder));
    return TRUE;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstDravEnc* self = GST_DRAV_ENC(object);
    if (id == PROP_KEY_INTERVAL) {
        GST_OBJECT_LOCK(self);
        self->keyInterval = g_value_get_uint(value);
        GST_OBJECT_UNLOCK(self);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    GstDravEnc* self = GST_DRAV_ENC(object);
    if (id == PROP_KEY_INTERVAL) {
        GST_OBJECT_LOCK(self);
        g_value_set_uint(value, self->keyInterval);
        GST_OBJECT_UNLOCK(self);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

void finalize(GObject* object) {
    dropStream(GST_DRAV_ENC(object));
    G_OBJECT_CLASS(gst_drav_enc_parent_class)->finalize(object);
}

}  // namespace

static void gst_drav_enc_class_init(GstDravEncClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    objectClass->finalize = finalize;
    g_object_class_install_property(
        objectClass, PROP_KEY_INTERVAL,
        g_param_spec_uint("key-interval", "Key frame interval",
                          "A key frame every this many frames (and wherever upstream forces one)", 1, G_MAXINT,
                          DEFAULT_KEY_INTERVAL, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(elementClass, "DRAV encoder", "Codec/Encoder/Video",
                                          "Compresses screen pictures into lossless DRAV frames", "Drevantic");

    GstVideoEncoderClass* encoderClass = GST_VIDEO_ENCODER_CLASS(klass);
    encoderClass->set_format = guarded<setFormat, FALSE>;
    encoderClass->handle_frame = guarded<handleFrame, GST_FLOW_ERROR>;
    encoderClass->flush = flushEncoder;
    encoderClass->stop = stopEncoding;
    GST_DEBUG_CATEGORY_INIT(dravenc_debug, "dravenc", 0, "DRAV encoder");
}

static void gst_drav_enc_init(GstDravEnc* self) {
    self->keyInterval = DEFAULT_KEY_INTERVAL;
    self->stream = nullptr;
}

gboolean registerDravEnc(GstPlugin* plugin) {
    return gst_element_register(plugin, "dravenc", GST_RANK_PRIMARY, GST_TYPE_DRAV_ENC);
}
