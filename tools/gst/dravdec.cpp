#include "dravdec.h"

#include <gst/video/video.h>

#include <cinttypes>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "background_call.h"
#include "codec/frame_codec.h"
#include "codec/stream_format.h"
#include "dravdec_stream.h"
#include "element_guard.h"
#include "elements.h"

GST_DEBUG_CATEGORY_STATIC(dravdec_debug);
#define GST_CAT_DEFAULT dravdec_debug

namespace {

using drav::gst::StreamDecoder;
using drav::tool::FrameSequenceDecoder;
using Outcome = FrameSequenceDecoder::Outcome;

constexpr guint DEFAULT_JOBS = 1;  // no latency unless asked for
constexpr guint MAX_JOBS = 2;      // frames are applied in order, one at a time

enum { PROP_0, PROP_JOBS };

// How the demuxers present a DRAV stream: the AVI demuxer as an unknown AVI
// FOURCC (as an integer), the Matroska demuxer as a VfW-compatible track. The
// picture size comes from the caps' width and height when they carry them,
// else from the stream's first key frame.
#define DRAV_SINK_CAPS                                 \
    "video/x-avi-unknown, fourcc = (int) 1447121476; " \
    "video/x-unknown, codec-id = (string) V_MS/VFW/FOURCC, fourcc = (string) DRAV"

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(DRAV_SINK_CAPS));
GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("{ BGRx, BGR, RGB15, RGB16 }")));

struct OutputChoice {
    GstVideoFormat video;
    drav::OutputFormat codec;
};

// The GStreamer format of each of the renderer's formats.
GstVideoFormat videoFormatOf(drav::OutputFormat format) {
    switch (format) {
        case drav::OutputFormat::Rgb555: return GST_VIDEO_FORMAT_RGB15;
        case drav::OutputFormat::Rgb565: return GST_VIDEO_FORMAT_RGB16;
        case drav::OutputFormat::Bgr24: return GST_VIDEO_FORMAT_BGR;
        case drav::OutputFormat::Bgrx32: break;
    }
    return GST_VIDEO_FORMAT_BGRx;
}

}  // namespace

struct _GstDravDec {
    GstVideoDecoder parent;
    GstVideoCodecState* inputState;
    StreamDecoder* decoder;  // from the first key frame (or the caps) on
    OutputChoice output;
    bool drawing;                // a picture drawn for the output caps is being pushed
    GstClockTime inputEnd;       // where the last frame received ends
    GstClockTime frameDuration;  // of the first frame, for the frame rate
    int64_t lastFrame;
    guint jobs;
    drav::tool::BackgroundCall* applier;  // with two jobs, from the first stream until stop
    GstVideoCodecFrame* pending;          // with two jobs, rendered and waiting for the next frame
};

G_DEFINE_TYPE(GstDravDec, gst_drav_dec, GST_TYPE_VIDEO_DECODER)

namespace {

GstDravDec* self(GstVideoDecoder* decoder) { return GST_DRAV_DEC(decoder); }

void releaseStream(GstDravDec* dec) {
    delete dec->decoder;
    dec->decoder = nullptr;
}

std::string sizeText(const drav::PictureFormat& format) {
    return std::to_string(format.width) + "x" + std::to_string(format.height);
}

// The caps' width, height and depth (bits per pixel of the stream), for
// demuxers and encoders that give them.
bool announcedPictureFormat(GstCaps* caps, drav::PictureFormat& format) {
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    int width = 0, height = 0, depth = 16;
    if (!gst_structure_get_int(structure, "width", &width) || !gst_structure_get_int(structure, "height", &height))
        return false;
    gst_structure_get_int(structure, "depth", &depth);
    format = {uint32_t(width), uint32_t(height), unsigned(depth)};
    return true;
}

// Downstream's choice among the renderer's formats, the stream's natural one
// when downstream takes any.
OutputChoice chooseOutput(GstVideoDecoder* decoder, unsigned depth) {
    const drav::OutputFormat* order = drav::outputFormatsFor(depth);
    GstCaps* accepted = gst_pad_peer_query_caps(GST_VIDEO_DECODER_SRC_PAD(decoder), nullptr);
    OutputChoice chosen{videoFormatOf(order[0]), order[0]};
    for (size_t i = 0; i < drav::OUTPUT_FORMAT_COUNT; ++i) {
        const GstVideoFormat video = videoFormatOf(order[i]);
        GstCaps* caps =
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, gst_video_format_to_string(video), nullptr);
        const bool usable = !accepted || gst_caps_can_intersect(caps, accepted);
        gst_caps_unref(caps);
        if (usable) {
            chosen = {video, order[i]};
            break;
        }
    }
    if (accepted) gst_caps_unref(accepted);
    return chosen;
}

// A decoder with its buffers allocated, or null without the memory.
StreamDecoder* newStreamDecoder(const drav::PictureFormat& format) {
    auto* decoder = new (std::nothrow) StreamDecoder(format);
    if (decoder && decoder->begin() != drav::CodecStatus::Ok) {
        delete decoder;
        return nullptr;
    }
    return decoder;
}

// With two jobs, the thread frames are applied on; false after posting an
// error when it cannot start.
bool startApplier(GstDravDec* dec) {
    if (dec->jobs < 2 || dec->applier) return true;
    try {
        dec->applier = new drav::tool::BackgroundCall;
        return true;
    } catch (const std::system_error& error) {
        GST_ELEMENT_ERROR(dec, RESOURCE, FAILED, ("cannot start the applying thread: %s", error.what()), (nullptr));
        return false;
    }
}

// Starts decoding a stream of the format: the codec's buffers, a black
// picture, and the output caps. Posts an error saying why when it cannot.
bool openStream(GstDravDec* dec, const drav::PictureFormat& format) {
    GstVideoDecoder* decoder = GST_VIDEO_DECODER(dec);
    if (!startApplier(dec)) return false;
    std::string problem = drav::streamProblem(format);
    releaseStream(dec);
    if (problem.empty()) {
        dec->decoder = newStreamDecoder(format);
        if (!dec->decoder) problem = "not enough memory for a " + sizeText(format) + " stream";
    }
    if (!problem.empty()) {
        releaseStream(dec);
        GST_ELEMENT_ERROR(dec, STREAM, FORMAT, ("cannot decode this DRAV stream: %s", problem.c_str()), (nullptr));
        return false;
    }
    return gst_video_decoder_negotiate(decoder);
}

// Chooses the output format again whenever downstream may have changed (the
// decoding bins link their pads after the first caps), then lets the base
// class negotiate it. While a drawn picture is being pushed (the base class
// negotiates when downstream asked meanwhile) it goes out under the caps it
// was drawn for, and the next frame negotiates.
gboolean negotiate(GstVideoDecoder* decoder) {
    GstDravDec* dec = self(decoder);
    if (!dec->decoder) return TRUE;  // nothing to negotiate before the picture size is known
    if (dec->drawing) {
        gst_pad_mark_reconfigure(GST_VIDEO_DECODER_SRC_PAD(decoder));
        return TRUE;
    }
    const drav::PictureFormat& format = dec->decoder->stream();
    OutputChoice output = chooseOutput(decoder, format.depth);
    if (output.codec != dec->output.codec) dec->decoder->forgetShownPicture();
    dec->output = output;
    GstVideoCodecState* state =
        gst_video_decoder_set_output_state(decoder, output.video, format.width, format.height, dec->inputState);
    // The demuxers' caps for DRAV carry no frame rate; the frames' duration gives it.
    if (state->info.fps_n == 0 && GST_CLOCK_TIME_IS_VALID(dec->frameDuration))
        gst_video_guess_framerate(dec->frameDuration, &state->info.fps_n, &state->info.fps_d);
    gst_video_codec_state_unref(state);
    GST_INFO_OBJECT(dec, "%s stream of %u bits per pixel, decoded to %s", sizeText(format).c_str(), format.depth,
                    gst_video_format_to_string(output.video));
    return GST_VIDEO_DECODER_CLASS(gst_drav_dec_parent_class)->negotiate(decoder);
}

// The frame's position in the stream: the AVI demuxer's buffer offset, else
// the count of frames since the stream started.
int64_t frameNumber(GstVideoCodecFrame* frame) {
    const guint64 offset = GST_BUFFER_OFFSET(frame->input_buffer);
    return offset != GST_BUFFER_OFFSET_NONE ? int64_t(offset) : int64_t(frame->system_frame_number);
}

// The sequence's outcome for one frame; a frame it cannot even describe for
// want of memory is taken as not decoded.
Outcome decodeStored(FrameSequenceDecoder& sequence, const drav::tool::StoredFrame& stored,
                     std::string& problem) noexcept {
    try {
        return sequence.decode(stored, problem);
    } catch (const std::bad_alloc&) {
        problem = {};
        return Outcome::Corrupt;
    }
}

// A corrupt frame is one of the base class's decoding errors: beyond its
// max-errors an error that stops the stream, else a warning.
GstFlowReturn report(GstDravDec* dec, Outcome outcome, int64_t number, const std::string& problem) {
    GstFlowReturn result = GST_FLOW_OK;
    const char* why = problem.empty() ? "corrupt frame (not enough memory to say more)" : problem.c_str();
    switch (outcome) {
        case Outcome::Corrupt:
            GST_VIDEO_DECODER_ERROR(dec, 1, STREAM, DECODE, ("frame %" PRId64 ": %s", number, why), (nullptr), result);
            if (result != GST_FLOW_OK) break;
            GST_ELEMENT_WARNING(
                dec, STREAM, DECODE,
                ("frame %" PRId64 ": %s; holding the last good picture until the next key frame", number, why),
                (nullptr));
            break;
        case Outcome::NotKeyFrame:
            GST_ELEMENT_WARNING(
                dec, STREAM, DECODE,
                ("frame %" PRId64 ": the stream does not start with a key frame: black until the first one", number),
                (nullptr));
            break;
        case Outcome::Recovered:
            // Also as the debug text, which is what gst-launch-1.0 prints of information.
            GST_ELEMENT_INFO(dec, STREAM, DECODE, ("frame %" PRId64 ": key frame: decoding recovered", number),
                             ("frame %" PRId64 ": key frame: decoding recovered", number));
            break;
        default: break;
    }
    return result;
}

// Downstream may have asked for other caps since the last frame (a reconfigure
// request): the output format is chosen again before a buffer is, so that the
// picture is drawn in the format of the caps it goes out under.
GstFlowReturn renegotiateIfAsked(GstVideoDecoder* decoder) {
    GstPad* source = GST_VIDEO_DECODER_SRC_PAD(decoder);
    if (!gst_pad_check_reconfigure(source) || gst_video_decoder_negotiate(decoder)) return GST_FLOW_OK;
    gst_pad_mark_reconfigure(source);
    return GST_PAD_IS_FLUSHING(source) ? GST_FLOW_FLUSHING : GST_FLOW_NOT_NEGOTIATED;
}

// Pushes the frame with its picture; meanwhile negotiation keeps the caps the
// picture was drawn for.
GstFlowReturn finishDrawn(GstDravDec* dec, GstVideoCodecFrame* frame) {
    dec->drawing = true;
    const GstFlowReturn result = gst_video_decoder_finish_frame(GST_VIDEO_DECODER(dec), frame);
    dec->drawing = false;
    return result;
}

// With two jobs a rendered frame waits until the next one is being applied.
GstFlowReturn pushOrKeep(GstDravDec* dec, GstVideoCodecFrame* frame) {
    if (!dec->applier) return finishDrawn(dec, frame);
    dec->pending = frame;
    return GST_FLOW_OK;
}

GstFlowReturn pushPending(GstDravDec* dec) {
    GstVideoCodecFrame* frame = std::exchange(dec->pending, nullptr);
    return frame ? finishDrawn(dec, frame) : GST_FLOW_OK;
}

void dropPending(GstDravDec* dec) {
    if (dec->pending) gst_video_codec_frame_unref(std::exchange(dec->pending, nullptr));
}

// Pushes the picture the output shows: the buffer already showing it when
// nothing changed; that buffer with the changed rows rendered into it when
// downstream let go of it; else a new buffer with the whole picture rendered.
GstFlowReturn pushPicture(GstDravDec* dec, GstVideoCodecFrame* frame) {
    GstVideoDecoder* decoder = GST_VIDEO_DECODER(dec);
    StreamDecoder& stream = *dec->decoder;
    if (GstBuffer* shown = stream.unchangedPicture()) {
        frame->output_buffer = gst_buffer_ref(shown);
        return pushOrKeep(dec, frame);
    }
    // The shown buffer is written while the element alone holds it.
    GstBuffer* output = stream.updatablePicture();
    if (output) GST_LOG_OBJECT(dec, "frame %" PRId64 ": the changed rows into the shown buffer", frameNumber(frame));
    if (!output) {
        GstFlowReturn result = gst_video_decoder_allocate_output_frame(decoder, frame);
        if (result != GST_FLOW_OK) {
            if (result == GST_FLOW_ERROR)
                GST_ELEMENT_ERROR(dec, RESOURCE, FAILED, ("no buffer for a decoded picture"), (nullptr));
            gst_video_decoder_drop_frame(decoder, frame);
            return result;
        }
        output = frame->output_buffer;
    }
    GstVideoCodecState* state = gst_video_decoder_get_output_state(decoder);
    const bool rendered = stream.render(output, &state->info, dec->output.codec);
    gst_video_codec_state_unref(state);
    if (!frame->output_buffer) frame->output_buffer = gst_buffer_ref(output);
    if (!rendered) {
        GST_ELEMENT_ERROR(dec, STREAM, DECODE, ("the renderer cannot write the negotiated output"), (nullptr));
        gst_video_decoder_drop_frame(decoder, frame);
        return GST_FLOW_ERROR;
    }
    return pushOrKeep(dec, frame);
}

// One frame to apply, and what came of it.
struct Application {
    FrameSequenceDecoder& sequence;
    const drav::tool::StoredFrame& stored;
    Outcome outcome = Outcome::Corrupt;
    std::string problem;
};

// Applies the frame; with two jobs on the applying thread while the picture
// before it goes downstream. Returns what pushing that picture returned.
GstFlowReturn applyWhilePushing(GstDravDec* dec, Application& application) {
    if (!dec->pending) {
        application.outcome = decodeStored(application.sequence, application.stored, application.problem);
        return GST_FLOW_OK;
    }
    dec->applier->start([&application] {
        application.outcome = decodeStored(application.sequence, application.stored, application.problem);
    });
    const GstFlowReturn pushed = pushPending(dec);
    dec->applier->wait();
    return pushed;
}

// Decodes one frame in stream order and pushes the picture the output shows,
// flagged corrupted while it is not the frame's own.
GstFlowReturn decodeFrame(GstDravDec* dec, GstVideoCodecFrame* frame) {
    GstVideoDecoder* decoder = GST_VIDEO_DECODER(dec);
    StreamDecoder& stream = *dec->decoder;
    GstMapInfo map;
    if (!gst_buffer_map(frame->input_buffer, &map, GST_MAP_READ)) {
        GST_ELEMENT_ERROR(dec, RESOURCE, READ, ("cannot read an input buffer"), (nullptr));
        gst_video_decoder_drop_frame(decoder, frame);
        return GST_FLOW_ERROR;
    }
    drav::tool::StoredFrame stored;
    stored.number = frameNumber(frame);
    stored.data = map.data;
    stored.size = map.size <= UINT32_MAX ? uint32_t(map.size) : 0;
    stored.cutShort = map.size > UINT32_MAX;  // no frame is that large: damage
    stored.keyFrame = GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame);
    Application application{stream.sequence(), stored, Outcome::Corrupt, {}};
    GstFlowReturn result = applyWhilePushing(dec, application);
    gst_buffer_unmap(frame->input_buffer, &map);
    if (result == GST_FLOW_OK) result = report(dec, application.outcome, stored.number, application.problem);
    if (result == GST_FLOW_OK) result = renegotiateIfAsked(decoder);
    if (result != GST_FLOW_OK) {
        gst_video_decoder_drop_frame(decoder, frame);
        return result;
    }
    if (stream.sequence().holding()) GST_VIDEO_CODEC_FRAME_FLAG_SET(frame, GST_VIDEO_CODEC_FRAME_FLAG_CORRUPTED);
    return pushPicture(dec, frame);
}

// Without a size in the caps, frames wait in the base class until a key
// frame gives it; then every waiting frame is decoded in order (those before
// the key frame black), this one last.
GstFlowReturn openFromKeyFrame(GstDravDec* dec, GstVideoCodecFrame* frame) {
    drav::PictureFormat format;
    bool found = false;
    if (GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame)) {
        GstMapInfo map;
        if (gst_buffer_map(frame->input_buffer, &map, GST_MAP_READ)) {
            found = map.size <= UINT32_MAX && drav::probeKeyFrame(drav::ByteSpan{map.data, map.size}, format);
            gst_buffer_unmap(frame->input_buffer, &map);
        }
    }
    gst_video_codec_frame_unref(frame);  // the base class holds it among the waiting frames
    if (!found) return GST_FLOW_OK;
    GstFlowReturn result = openStream(dec, format) ? GST_FLOW_OK : GST_FLOW_NOT_NEGOTIATED;
    GList* waiting = gst_video_decoder_get_frames(GST_VIDEO_DECODER(dec));
    for (GList* item = waiting; item; item = item->next) {
        auto* next = static_cast<GstVideoCodecFrame*>(item->data);
        if (result == GST_FLOW_OK)
            result = decodeFrame(dec, next);
        else
            gst_video_decoder_release_frame(GST_VIDEO_DECODER(dec), next);  // after a failure, not decoded
    }
    g_list_free(waiting);
    return result;
}

// Releases the frames waiting for a key frame to give their picture size, when
// their stream ended or changed without one; true when there were some.
bool releaseWaitingFrames(GstVideoDecoder* decoder) {
    GList* waiting = gst_video_decoder_get_frames(decoder);
    const bool released = waiting != nullptr;
    for (GList* item = waiting; item; item = item->next)
        gst_video_decoder_release_frame(decoder, static_cast<GstVideoCodecFrame*>(item->data));
    g_list_free(waiting);
    return released;
}

gboolean setFormat(GstVideoDecoder* decoder, GstVideoCodecState* state) {
    GstDravDec* dec = self(decoder);
    pushPending(dec);  // the last picture of the stream before
    if (!dec->decoder && releaseWaitingFrames(decoder))
        GST_WARNING_OBJECT(dec, "new caps: the frames waiting for a key frame are dropped");
    if (dec->inputState) gst_video_codec_state_unref(dec->inputState);
    dec->inputState = gst_video_codec_state_ref(state);
    releaseStream(dec);
    drav::PictureFormat format;
    return !announcedPictureFormat(state->caps, format) || openStream(dec, format);
}

GstFlowReturn handleFrame(GstVideoDecoder* decoder, GstVideoCodecFrame* frame) {
    GstDravDec* dec = self(decoder);
    const GstClockTime start = GST_BUFFER_DTS_OR_PTS(frame->input_buffer);
    if (GST_CLOCK_TIME_IS_VALID(start) && GST_BUFFER_DURATION_IS_VALID(frame->input_buffer))
        dec->inputEnd = start + GST_BUFFER_DURATION(frame->input_buffer);
    dec->lastFrame = frameNumber(frame);
    if (!GST_CLOCK_TIME_IS_VALID(dec->frameDuration)) {
        dec->frameDuration = GST_BUFFER_DURATION(frame->input_buffer);
        // With two jobs a picture leaves a frame later.
        if (dec->jobs > 1 && GST_CLOCK_TIME_IS_VALID(dec->frameDuration))
            gst_video_decoder_set_latency(decoder, dec->frameDuration, dec->frameDuration);
    }
    if (!dec->decoder) return openFromKeyFrame(dec, frame);
    // A discontinuity leaves the held picture foreign to the frames that
    // follow: only a key frame may show again.
    if (GST_BUFFER_FLAG_IS_SET(frame->input_buffer, GST_BUFFER_FLAG_DISCONT))
        dec->decoder->sequence().holdUntilKeyFrame();
    return decodeFrame(dec, frame);
}

// After a seek the stream starts again: a black picture until a key frame.
gboolean flush(GstVideoDecoder* decoder) {
    GstDravDec* dec = self(decoder);
    dropPending(dec);
    if (!dec->decoder) return TRUE;
    drav::PictureFormat format = dec->decoder->stream();
    releaseStream(dec);
    dec->decoder = newStreamDecoder(format);
    return dec->decoder != nullptr;
}

// The demuxers drop a frame the file ends inside: a stream that ends before
// the duration the container announces (and before the segment's end) was cut.
void reportTruncation(GstDravDec* dec) {
    GstVideoDecoder* decoder = GST_VIDEO_DECODER(dec);
    gint64 duration = 0;
    if (!GST_CLOCK_TIME_IS_VALID(dec->inputEnd) || decoder->input_segment.rate < 0 ||
        !gst_pad_peer_query_duration(GST_VIDEO_DECODER_SINK_PAD(decoder), GST_FORMAT_TIME, &duration))
        return;
    GstClockTime announced = GstClockTime(duration);
    if (GST_CLOCK_TIME_IS_VALID(decoder->input_segment.stop)) announced = MIN(announced, decoder->input_segment.stop);
    if (dec->inputEnd + GST_MSECOND >= announced) return;
    GST_ELEMENT_WARNING(dec, STREAM, DECODE,
                        ("truncated file: the stream ends after frame %" PRId64 ", at %" GST_TIME_FORMAT
                         " of the %" GST_TIME_FORMAT " the container announces",
                         dec->lastFrame, GST_TIME_ARGS(dec->inputEnd), GST_TIME_ARGS(announced)),
                        (nullptr));
}

GstFlowReturn drain(GstVideoDecoder* decoder) { return pushPending(self(decoder)); }

// The base class passes a gap on at once: the picture before it goes first.
gboolean sinkEvent(GstVideoDecoder* decoder, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_GAP) {
        GST_VIDEO_DECODER_STREAM_LOCK(decoder);
        pushPending(self(decoder));
        GST_VIDEO_DECODER_STREAM_UNLOCK(decoder);
    }
    return GST_VIDEO_DECODER_CLASS(gst_drav_dec_parent_class)->sink_event(decoder, event);
}

// A waiting picture takes a buffer beyond those downstream asks for.
gboolean decideAllocation(GstVideoDecoder* decoder, GstQuery* query) {
    if (self(decoder)->jobs > 1 && gst_query_get_n_allocation_pools(query) > 0) {
        GstBufferPool* pool = nullptr;
        guint size = 0, min = 0, max = 0;
        gst_query_parse_nth_allocation_pool(query, 0, &pool, &size, &min, &max);
        gst_query_set_nth_allocation_pool(query, 0, pool, size, min + 1, max ? max + 1 : 0);
        if (pool) gst_object_unref(pool);
    }
    return GST_VIDEO_DECODER_CLASS(gst_drav_dec_parent_class)->decide_allocation(decoder, query);
}

GstFlowReturn finish(GstVideoDecoder* decoder) {
    GstDravDec* dec = self(decoder);
    const GstFlowReturn pushed = pushPending(dec);
    if (pushed != GST_FLOW_OK) return pushed;
    reportTruncation(dec);
    if (dec->decoder || !releaseWaitingFrames(decoder)) return GST_FLOW_OK;
    GST_ELEMENT_ERROR(dec, STREAM, DECODE, ("no key frame in the DRAV stream gives its picture size"), (nullptr));
    return GST_FLOW_ERROR;
}

gboolean start(GstVideoDecoder* decoder) {
    gst_video_decoder_set_packetized(decoder, TRUE);
    self(decoder)->inputEnd = self(decoder)->frameDuration = GST_CLOCK_TIME_NONE;
    return TRUE;
}

gboolean stop(GstVideoDecoder* decoder) {
    GstDravDec* dec = self(decoder);
    dropPending(dec);
    delete dec->applier;
    dec->applier = nullptr;
    releaseStream(dec);
    if (dec->inputState) gst_video_codec_state_unref(dec->inputState);
    dec->inputState = nullptr;
    return TRUE;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstDravDec* dec = GST_DRAV_DEC(object);
    if (id == PROP_JOBS)
        dec->jobs = g_value_get_uint(value);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    GstDravDec* dec = GST_DRAV_DEC(object);
    if (id == PROP_JOBS)
        g_value_set_uint(value, dec->jobs);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

}  // namespace

static void gst_drav_dec_class_init(GstDravDecClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    g_object_class_install_property(
        objectClass, PROP_JOBS,
        g_param_spec_uint("jobs", "Jobs",
                          "2: each frame is applied on a thread of its own while the picture before it goes "
                          "downstream, and leaves a frame later; the pictures are the same either way",
                          1, MAX_JOBS, DEFAULT_JOBS,
                          GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "DRAV video decoder", "Codec/Decoder/Video",
                                          "Decodes DRAV lossless screen recordings", "Drevantic developers");
    GstVideoDecoderClass* decoder = GST_VIDEO_DECODER_CLASS(klass);
    decoder->start = start;
    decoder->stop = stop;
    decoder->set_format = guarded<setFormat, FALSE>;
    decoder->handle_frame = guarded<handleFrame, GST_FLOW_ERROR>;
    decoder->flush = guarded<flush, FALSE>;
    decoder->finish = guarded<finish, GST_FLOW_ERROR>;
    decoder->drain = guarded<drain, GST_FLOW_ERROR>;
    decoder->sink_event = guarded<sinkEvent, FALSE>;
    decoder->decide_allocation = decideAllocation;
    decoder->negotiate = guarded<negotiate, FALSE>;
    GST_DEBUG_CATEGORY_INIT(dravdec_debug, "dravdec", 0, "DRAV video decoder");
}

static void gst_drav_dec_init(GstDravDec* dec) {
    gst_video_decoder_set_packetized(GST_VIDEO_DECODER(dec), TRUE);
    dec->jobs = DEFAULT_JOBS;
}

gboolean registerDravDec(GstPlugin* plugin) {
    return gst_element_register(plugin, "dravdec", GST_RANK_PRIMARY, GST_TYPE_DRAV_DEC);
}
