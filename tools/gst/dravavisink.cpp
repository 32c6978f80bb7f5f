#include "dravavisink.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "avi_writer.h"
#include "codec/frame_format.h"
#include "element_guard.h"
#include "elements.h"

namespace {

enum { PROP_0, PROP_LOCATION };

// The stream's format from dravenc's caps: its BITMAPINFOHEADER as codec_data.
bool streamFormatOf(const GstStructure* caps, BITMAPINFOHEADER& format) {
    const GValue* value = gst_structure_get_value(caps, "codec_data");
    GstBuffer* header = value && G_VALUE_HOLDS(value, GST_TYPE_BUFFER) ? gst_value_get_buffer(value) : nullptr;
    if (!header || gst_buffer_get_size(header) != sizeof format) return false;
    gst_buffer_extract(header, 0, &format, sizeof format);
    return format.biCompression == drav::FOURCC_DRAV;
}

std::string formatText(const BITMAPINFOHEADER& format) {
    return std::to_string(format.biWidth) + "x" + std::to_string(format.biHeight) + " at " +
           std::to_string(format.biBitCount) + " bits";
}

}  // namespace

struct _GstDravAviSink {
    GstBaseSink parent;
    gchar* location;
    drav::tool::DravAviWriter* writer;  // from the first frame of a recording on
    bool formatKnown;                   // format and rate are the caps'
    BITMAPINFOHEADER format;
    AVRational rate;
    bool finished;  // the recording ended before the sink stopped: nothing more goes into its file
};

G_DEFINE_TYPE(GstDravAviSink, gst_drav_avi_sink, GST_TYPE_BASE_SINK)

namespace {

GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-avi-unknown, fourcc = (int) 1447121476"));

// Ends the recording: the file is finished with the frames written so far
// (index and headers) and put under its name, whatever ended it (end of
// stream, an error, the sink stopping); a recording without frames leaves no
// file. Returns what went wrong, naming where the frames are kept; empty when
// the file is complete.
std::string finishRecording(GstDravAviSink* self) {
    std::unique_ptr<drav::tool::DravAviWriter> writer(std::exchange(self->writer, nullptr));
    if (!writer) return {};
    try {
        writer->finish();
        return {};
    } catch (const std::bad_alloc&) {
        return std::string(self->location) + ": not enough memory to finish the AVI; the frames written are in " +
               self->location + ".part-* beside it";
    } catch (const std::exception& error) {
        return error.what();
    }
}

// An error ends the recording: the file is finished first, and the error's
// text then says where the frames written are.
std::string endRecordingWith(GstDravAviSink* self, const std::string& cause) {
    const int64_t frames = self->writer ? self->writer->framesWritten() : 0;
    self->finished = true;
    const std::string problem = finishRecording(self);
    if (!problem.empty()) return cause + "; " + problem;
    if (frames == 0) return cause;
    return cause + "; the " + std::to_string(frames) + " frames before it are in " + self->location;
}

gboolean setCaps(GstBaseSink* sink, GstCaps* caps) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    BITMAPINFOHEADER format{};
    gint rateNumerator = 25, rateDenominator = 1;
    gst_structure_get_fraction(structure, "framerate", &rateNumerator, &rateDenominator);
    if (!streamFormatOf(structure, format)) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr), ("the DRAV stream carries no stream format"));
        return FALSE;
    }
    if (self->writer && std::memcmp(&format, &self->format, sizeof format) != 0) {
        const std::string text =
            endRecordingWith(self, "the stream changed from " + formatText(self->format) + " to " + formatText(format) +
                                       ": an AVI file holds one stream format");
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("%s", text.c_str()), (nullptr));
        return FALSE;
    }
    if (rateNumerator <= 0 || rateDenominator <= 0) rateNumerator = 25, rateDenominator = 1;
    self->format = format;
    self->rate = AVRational{rateNumerator, rateDenominator};
    self->formatKnown = true;
    return TRUE;
}

// A recording's file is created at its first frame, from the caps' format
// (the caps are not sent again when the sink starts again with the same).
GstFlowReturn openRecording(GstDravAviSink* self) {
    if (self->finished) {
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE,
                          ("%s is finished: a new recording starts when the sink is started again", self->location),
                          (nullptr));
        return GST_FLOW_ERROR;
    }
    if (!self->formatKnown) return GST_FLOW_NOT_NEGOTIATED;
    try {
        self->writer = new drav::tool::DravAviWriter(self->location, self->format, self->rate);
    } catch (const std::exception& error) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_WRITE, ("%s", error.what()), (nullptr));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

GstFlowReturn render(GstBaseSink* sink, GstBuffer* buffer) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    if (!self->writer) {
        const GstFlowReturn opened = openRecording(self);
        if (opened != GST_FLOW_OK) return opened;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_ERROR;
    std::string failure;
    try {
        self->writer->writeFrame(map.data, uint32_t(map.size),
                                 !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
    } catch (const std::exception& error) {
        failure = error.what();
    }
    gst_buffer_unmap(buffer, &map);
    if (failure.empty()) return GST_FLOW_OK;
    const std::string text = endRecordingWith(self, failure);
    GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("%s", text.c_str()), (nullptr));
    return GST_FLOW_ERROR;
}

// Posts what kept the recording from being finished.
void finishOrReport(GstDravAviSink* self) {
    const std::string problem = finishRecording(self);
    if (!problem.empty()) GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("%s", problem.c_str()), (nullptr));
}

gboolean handleEvent(GstBaseSink* sink, GstEvent* event) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        self->finished = self->finished || self->writer;
        finishOrReport(self);
    }
    return GST_BASE_SINK_CLASS(gst_drav_avi_sink_parent_class)->event(sink, event);
}

// The file name is checked when the sink starts (GstBaseSink starts its sinks
// on the way to READY), before any stream comes.
gboolean startWriting(GstBaseSink* sink) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    if (self->location && *self->location) return TRUE;
    GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("no file name given: set location to the AVI file to write"),
                      (nullptr));
    return FALSE;
}

// Streaming stops on the way down to READY, end of stream or not (Ctrl+C
// without -e, an error anywhere in the pipeline): the recording is finished
// there all the same. Starting to stream again starts a new recording.
GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(element);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) self->finished = false;
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(gst_drav_avi_sink_parent_class)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) finishOrReport(self);
    return result;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(object);
    if (id == PROP_LOCATION) {
        g_free(self->location);
        self->location = g_value_dup_string(value);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(object);
    if (id == PROP_LOCATION)
        g_value_set_string(value, self->location);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void finalize(GObject* object) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(object);
    delete self->writer;  // disposed while streaming: the writer finishes the file silently
    g_free(self->location);
    G_OBJECT_CLASS(gst_drav_avi_sink_parent_class)->finalize(object);
}

}  // namespace

static void gst_drav_avi_sink_class_init(GstDravAviSinkClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    objectClass->finalize = finalize;
    g_object_class_install_property(
        objectClass, PROP_LOCATION,
        g_param_spec_string("location", "File location", "The AVI file to write", nullptr,
                            GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    elementClass->change_state = guarded<changeState, GST_STATE_CHANGE_FAILURE>;
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_set_static_metadata(elementClass, "DRAV AVI file sink", "Sink/File",
                                          "Writes a DRAV stream into an AVI file the DRAV driver reads", "Drevantic");

    GstBaseSinkClass* sinkClass = GST_BASE_SINK_CLASS(klass);
    sinkClass->set_caps = guarded<setCaps, FALSE>;
    sinkClass->render = guarded<render, GST_FLOW_ERROR>;
    sinkClass->event = guarded<handleEvent, FALSE>;
    sinkClass->start = startWriting;
}

static void gst_drav_avi_sink_init(GstDravAviSink* self) {
    self->location = nullptr;
    self->writer = nullptr;
    self->formatKnown = false;
    self->finished = false;
    gst_base_sink_set_sync(GST_BASE_SINK(self), FALSE);
}

gboolean registerDravAviSink(GstPlugin* plugin) {
    return gst_element_register(plugin, "dravavisink", GST_RANK_NONE, GST_TYPE_DRAV_AVI_SINK);
}
