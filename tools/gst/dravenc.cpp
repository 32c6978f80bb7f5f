#include "dravenc.h"

#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "codec/frame_codec.h"
#include "codec/frame_format.h"
#include "codec/stream_format.h"
#include "element_guard.h"
#include "elements.h"
#include "parallel_compressor.h"

GST_DEBUG_CATEGORY_STATIC(dravenc_debug);
#define GST_CAT_DEFAULT dravenc_debug

namespace {

using drav::tool::FrameBytes;
using drav::tool::ParallelCompressor;

constexpr guint DEFAULT_KEY_INTERVAL = 100;
constexpr guint DEFAULT_JOBS = 1;  // no latency unless asked for

enum { PROP_0, PROP_KEY_INTERVAL, PROP_JOBS };

// One stream: the frame-parallel compressor and the pictures it reads, each
// mapped from its buffer until the compressor lets it go (a frame's picture
// is read until the next frame is compressed too). All allocated when the
// input format is set, nothing per frame.
struct EncoderStream final : drav::tool::PictureSlots {
    explicit EncoderStream(const GstVideoInfo& info, unsigned jobs)
        : input(info), pictures(ParallelCompressor::slotCountFor(jobs)), mapped(pictures.size(), false) {}
    ~EncoderStream() { compressor.reset(); }  // releases the pictures it holds

    // GStreamer's rows run top-down, the compressor counts them from the bottom.
    drav::InputPicture prepare(size_t slot, unsigned) override {
        const GstVideoFrame& picture = pictures[slot];
        const auto* top = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&picture, 0));
        const ptrdiff_t stride = GST_VIDEO_FRAME_PLANE_STRIDE(&picture, 0);
        return drav::InputPicture{top + ptrdiff_t(GST_VIDEO_FRAME_HEIGHT(&picture) - 1) * stride, -stride, nullptr};
    }
    void release(size_t slot) override {
        if (mapped[slot]) gst_video_frame_unmap(&pictures[slot]);
        mapped[slot] = false;
    }

    GstVideoInfo input;
    std::vector<GstVideoFrame> pictures;  // one a slot
    std::vector<bool> mapped;
    std::unique_ptr<ParallelCompressor> compressor;
    uint32_t framesToKey = 0;  // delta frames left before the next scheduled key frame
};

}  // namespace

struct _GstDravEnc {
    GstVideoEncoder parent;
    guint keyInterval;
    guint jobs;  // 0: one a core
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

// A running stream for pictures of the format, or null (the element error
// posted) without the memory or the threads.
EncoderStream* newStream(GstDravEnc* self, const GstVideoInfo& info, unsigned depth, unsigned jobs) {
    const auto width = uint32_t(GST_VIDEO_INFO_WIDTH(&info)), height = uint32_t(GST_VIDEO_INFO_HEIGHT(&info));
    try {
        auto stream = std::make_unique<EncoderStream>(info, jobs);
        stream->compressor =
            std::make_unique<ParallelCompressor>(drav::PictureFormat{width, height, depth}, jobs, *stream);
        return stream.release();
    } catch (const std::system_error& error) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, (nullptr),
                          ("cannot start %u compression threads: %s", jobs, error.what()));
    } catch (const std::exception&) {  // memory, or a format the codec refuses (checked before)
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, (nullptr), ("no memory for a %ux%u stream", width, height));
    }
    return nullptr;
}

// Frames wait for the `jobs - 1` after them: that much latency, at the input's rate.
void reportLatency(GstVideoEncoder* encoder, const GstVideoInfo& info, unsigned jobs) {
    GstClockTime latency = 0;
    if (GST_VIDEO_INFO_FPS_N(&info) > 0)
        latency =
            gst_util_uint64_scale(jobs - 1, GST_SECOND * GST_VIDEO_INFO_FPS_D(&info), GST_VIDEO_INFO_FPS_N(&info));
    gst_video_encoder_set_latency(encoder, latency, latency);
}

GstFlowReturn drainFrames(GstVideoEncoder* encoder);

gboolean setFormat(GstVideoEncoder* encoder, GstVideoCodecState* state) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    const GstVideoInfo& info = state->info;
    const unsigned depth = inputDepthOf(GST_VIDEO_INFO_FORMAT(&info));
    const auto width = uint32_t(GST_VIDEO_INFO_WIDTH(&info)), height = uint32_t(GST_VIDEO_INFO_HEIGHT(&info));
    // The frames of the old format leave in it.
    if (self->stream && drainFrames(encoder) != GST_FLOW_OK) return FALSE;
    dropStream(self);
    if (depth == 0 || !drav::isPictureSizeSupported(width, height)) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr), ("no DRAV stream for %ux%u pictures", width, height));
        return FALSE;
    }
    GST_OBJECT_LOCK(self);
    const unsigned jobs = ParallelCompressor::jobsFor(self->jobs);
    GST_OBJECT_UNLOCK(self);
    self->stream = newStream(self, info, depth, jobs);
    if (!self->stream) return FALSE;

    GstVideoCodecState* output =
        gst_video_encoder_set_output_state(encoder, outputCaps(drav::PictureFormat{width, height, depth}), state);
    gst_video_codec_state_unref(output);
    reportLatency(encoder, info, jobs);
    return gst_video_encoder_negotiate(encoder);
}

// Sends the oldest frame in flight (the oldest the base class holds) once compressed.
GstFlowReturn finishOldest(GstVideoEncoder* encoder) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    GstVideoCodecFrame* frame = gst_video_encoder_get_oldest_frame(encoder);
    FrameBytes coded;
    bool compressed = false;
    try {
        compressed = self->stream->compressor->receive(coded);
    } catch (const std::exception&) {  // preparing a mapped picture throws nothing: never reached
    }
    if (!frame) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, (nullptr), ("a compressed frame without its input frame"));
        return GST_FLOW_ERROR;
    }
    if (!compressed) {
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
    gst_buffer_fill(frame->output_buffer, 0, coded.data, coded.size);
    if (coded.keyFrame) GST_VIDEO_CODEC_FRAME_SET_SYNC_POINT(frame);
    return gst_video_encoder_finish_frame(encoder, frame);
}

GstFlowReturn drainFrames(GstVideoEncoder* encoder) {
    EncoderStream* stream = GST_DRAV_ENC(encoder)->stream;
    GstFlowReturn flow = GST_FLOW_OK;
    while (flow == GST_FLOW_OK && stream && !stream->compressor->empty()) flow = finishOldest(encoder);
    return flow;
}

bool nextIsKeyFrame(EncoderStream& stream, guint keyInterval, bool forced) {
    const bool key = forced || stream.framesToKey == 0;
    stream.framesToKey = key ? keyInterval - 1 : stream.framesToKey - 1;
    return key;
}

// Maps the picture and hands it to the compressor; the frame leaves once
// the compressor has as many in flight as jobs (at once with one job).
GstFlowReturn handleFrame(GstVideoEncoder* encoder, GstVideoCodecFrame* frame) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    EncoderStream* stream = self->stream;
    if (!stream) {
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    const size_t slot = stream->compressor->nextSlot();
    if (!gst_video_frame_map(&stream->pictures[slot], &stream->input, frame->input_buffer, GST_MAP_READ)) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, (nullptr), ("cannot read input frame %u", frame->system_frame_number));
        gst_video_encoder_finish_frame(encoder, frame);
        return GST_FLOW_ERROR;
    }
    stream->mapped[slot] = true;
    GST_OBJECT_LOCK(self);
    const guint keyInterval = self->keyInterval;
    GST_OBJECT_UNLOCK(self);
    stream->compressor->submit(nextIsKeyFrame(*stream, keyInterval, GST_VIDEO_CODEC_FRAME_IS_FORCE_KEYFRAME(frame)));
    gst_video_codec_frame_unref(frame);  // the base class keeps it until finishOldest
    return stream->compressor->full() ? finishOldest(encoder) : GST_FLOW_OK;
}

// End of stream: every frame in flight leaves.
GstFlowReturn finishEncoding(GstVideoEncoder* encoder) { return drainFrames(encoder); }

// The base class drops the frames it holds: those in flight are compressed
// for nothing, and whatever follows (a seek upstream) opens with a key frame.
gboolean flushEncoder(GstVideoEncoder* encoder) {
    EncoderStream* stream = GST_DRAV_ENC(encoder)->stream;
    if (!stream) return TRUE;
    FrameBytes dropped;
    while (!stream->compressor->empty()) stream->compressor->receive(dropped);
    stream->framesToKey = 0;
    return TRUE;
}

// Upstream is asked for as many pictures as the compressor holds, and one
// it fills meanwhile, so that a pool of its own never runs dry.
gboolean proposeAllocation(GstVideoEncoder* encoder, GstQuery* query) {
    GstDravEnc* self = GST_DRAV_ENC(encoder);
    GST_OBJECT_LOCK(self);
    const unsigned jobs = ParallelCompressor::jobsFor(self->jobs);
    GST_OBJECT_UNLOCK(self);
    GstCaps* caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    GstVideoInfo info;
    if (caps && gst_video_info_from_caps(&info, caps))
        gst_query_add_allocation_pool(query, nullptr, guint(GST_VIDEO_INFO_SIZE(&info)),
                                      guint(ParallelCompressor::slotCountFor(jobs) + 1), 0);
    return GST_VIDEO_ENCODER_CLASS(gst_drav_enc_parent_class)->propose_allocation(encoder, query);
}

gboolean stopEncoding(GstVideoEncoder* encoder) {
    dropStream(GST_DRAV_ENC(encoder));
    return TRUE;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstDravEnc* self = GST_DRAV_ENC(object);
    GST_OBJECT_LOCK(self);
    if (id == PROP_KEY_INTERVAL)
        self->keyInterval = g_value_get_uint(value);
    else if (id == PROP_JOBS)
        self->jobs = g_value_get_uint(value);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    GST_OBJECT_UNLOCK(self);
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    GstDravEnc* self = GST_DRAV_ENC(object);
    GST_OBJECT_LOCK(self);
    if (id == PROP_KEY_INTERVAL)
        g_value_set_uint(value, self->keyInterval);
    else if (id == PROP_JOBS)
        g_value_set_uint(value, self->jobs);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    GST_OBJECT_UNLOCK(self);
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
    g_object_class_install_property(
        objectClass, PROP_JOBS,
        g_param_spec_uint("jobs", "Jobs",
                          "Frames compressed side by side, each on a thread of its own (0: one a core); "
                          "a frame leaves jobs - 1 frames later, and the bytes are the same whatever the number",
                          0, ParallelCompressor::MAX_JOBS, DEFAULT_JOBS,
                          GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(elementClass, "DRAV encoder", "Codec/Encoder/Video",
                                          "Compresses screen pictures into lossless DRAV frames", "Drevantic");

    GstVideoEncoderClass* encoderClass = GST_VIDEO_ENCODER_CLASS(klass);
    encoderClass->set_format = guarded<setFormat, FALSE>;
    encoderClass->handle_frame = guarded<handleFrame, GST_FLOW_ERROR>;
    encoderClass->flush = guarded<flushEncoder, FALSE>;
    encoderClass->finish = guarded<finishEncoding, GST_FLOW_ERROR>;
    encoderClass->propose_allocation = proposeAllocation;
    encoderClass->stop = stopEncoding;
    GST_DEBUG_CATEGORY_INIT(dravenc_debug, "dravenc", 0, "DRAV encoder");
}

static void gst_drav_enc_init(GstDravEnc* self) {
    self->keyInterval = DEFAULT_KEY_INTERVAL;
    self->jobs = DEFAULT_JOBS;
    self->stream = nullptr;
}

gboolean registerDravEnc(GstPlugin* plugin) {
    return gst_element_register(plugin, "dravenc", GST_RANK_PRIMARY, GST_TYPE_DRAV_ENC);
}
