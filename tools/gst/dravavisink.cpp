#include "dravavisink.h"

#include <cstring>
#include <new>

#include "avi_writer.h"
#include "codec/frame_format.h"
#include "elements.h"
#include "tool_error.h"

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

}  // namespace

struct _GstDravAviSink {
    GstBaseSink parent;
    gchar* location;
    drav::tool::DravAviWriter* writer;
    BITMAPINFOHEADER format;  // the writer's
};

G_DEFINE_TYPE(GstDravAviSink, gst_drav_avi_sink, GST_TYPE_BASE_SINK)

namespace {

GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-avi-unknown, fourcc = (int) 1447121476"));

// Without finish() the writer removes its incomplete file.
void dropWriter(GstDravAviSink* self) {
    delete self->writer;
    self->writer = nullptr;
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
    if (self->writer && std::memcmp(&format, &self->format, sizeof format) == 0) return TRUE;
    if (self->writer) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr), ("an AVI file holds one stream format"));
        return FALSE;
    }
    if (rateNumerator <= 0 || rateDenominator <= 0) rateNumerator = 25, rateDenominator = 1;
    try {
        self->format = format;
        self->writer = new drav::tool::DravAviWriter(self->location ? self->location : "", format,
                                                     AVRational{rateNumerator, rateDenominator});
    } catch (const std::exception& error) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_WRITE, (nullptr), ("%s", error.what()));
        return FALSE;
    }
    return TRUE;
}

GstFlowReturn render(GstBaseSink* sink, GstBuffer* buffer) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    if (!self->writer) return GST_FLOW_NOT_NEGOTIATED;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_ERROR;
    try {
        self->writer->writeFrame(map.data, uint32_t(map.size),
                                 !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
    } catch (const std::exception& error) {
        gst_buffer_unmap(buffer, &map);
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, (nullptr), ("%s", error.what()));
        return GST_FLOW_ERROR;
    }
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

gboolean handleEvent(GstBaseSink* sink, GstEvent* event) {
    GstDravAviSink* self = GST_DRAV_AVI_SINK(sink);
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS && self->writer) {
        try {
            self->writer->finish();
        } catch (const std::exception& error) {
            GST_ELEMENT_ERROR(self, RESOURCE, WRITE, (nullptr), ("%s", error.what()));
        }
        dropWriter(self);
    }
    return GST_BASE_SINK_CLASS(gst_drav_avi_sink_parent_class)->event(sink, event);
}

gboolean stopWriting(GstBaseSink* sink) {
    dropWriter(GST_DRAV_AVI_SINK(sink));
    return TRUE;
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
    dropWriter(self);
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
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_set_static_metadata(elementClass, "DRAV AVI file sink", "Sink/File",
                                          "Writes a DRAV stream into an AVI file the DRAV driver reads", "Drevantic");

    GstBaseSinkClass* sinkClass = GST_BASE_SINK_CLASS(klass);
    sinkClass->set_caps = setCaps;
    sinkClass->render = render;
    sinkClass->event = handleEvent;
    sinkClass->stop = stopWriting;
}

static void gst_drav_avi_sink_init(GstDravAviSink* self) {
    self->location = nullptr;
    self->writer = nullptr;
    gst_base_sink_set_sync(GST_BASE_SINK(self), FALSE);
}

gboolean registerDravAviSink(GstPlugin* plugin) {
    return gst_element_register(plugin, "dravavisink", GST_RANK_NONE, GST_TYPE_DRAV_AVI_SINK);
}
