// gst_frames FILE FORMAT SEEK_SECONDS COUNT: plays FILE through decodebin,
// seeks accurately to SEEK_SECONDS (when above 0) and writes COUNT frames (all
// when 0) in FORMAT (a GStreamer raw video format) to stdout, rows packed.
// Names the decoder decodebin chose, and every warning, on stderr.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int fail(const std::string& text) {
    std::fprintf(stderr, "gst_frames: %s\n", text.c_str());
    return 1;
}

// Prints the bus's warnings and errors; false after an error.
bool drainBus(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    bool ok = true;
    while (GstMessage* message = gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_WARNING | GST_MESSAGE_ERROR))) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        const bool isError = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
        if (isError)
            gst_message_parse_error(message, &error, &debug);
        else
            gst_message_parse_warning(message, &error, &debug);
        std::fprintf(stderr, "%s: %s\n", isError ? "ERROR" : "WARNING", error->message);
        ok = ok && !isError;
        g_clear_error(&error);
        g_free(debug);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return ok;
}

void nameDecoder(GstElement* pipeline) {
    GstElement* decodebin = gst_bin_get_by_name(GST_BIN(pipeline), "decode");
    GstIterator* elements = gst_bin_iterate_elements(GST_BIN(decodebin));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        GstElement* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
        if (g_strrstr(klass, "Decoder")) std::fprintf(stderr, "decoder: %s\n", GST_OBJECT_NAME(factory));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    gst_object_unref(decodebin);
}

// Writes the frame's visible pixels, row by row.
bool writeFrame(GstSample* sample) {
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
        return false;
    const size_t rowBytes = size_t(GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0)) * GST_VIDEO_FRAME_WIDTH(&frame);
    const auto* rows = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    bool ok = true;
    for (int row = 0; row < GST_VIDEO_FRAME_HEIGHT(&frame) && ok; ++row)
        ok = std::fwrite(rows + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), 1, rowBytes, stdout) == rowBytes;
    gst_video_frame_unmap(&frame);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    if (argc != 5) return fail("usage: gst_frames FILE FORMAT SEEK_SECONDS COUNT");
    const double seek = std::atof(argv[3]);
    const long count = std::atol(argv[4]);
    gchar* location = g_strescape(argv[1], nullptr);
    const std::string description =
        std::string("filesrc location=\"") + location +
        "\" ! decodebin name=decode ! appsink name=sink sync=false caps=video/x-raw,format=" + argv[2];
    g_free(location);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline) return fail(error->message);
    GstAppSink* sink = GST_APP_SINK(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));

    int status = 0;
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (gst_element_get_state(pipeline, nullptr, nullptr, GST_CLOCK_TIME_NONE) == GST_STATE_CHANGE_FAILURE)
        status = fail("the pipeline does not preroll");
    if (status == 0) nameDecoder(pipeline);
    if (status == 0 && seek > 0) {
        const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
        if (!gst_element_seek_simple(pipeline, GST_FORMAT_TIME, flags, gint64(seek * GST_SECOND)))
            status = fail("the seek failed");
        gst_element_get_state(pipeline, nullptr, nullptr, GST_CLOCK_TIME_NONE);
    }
    if (status == 0) gst_element_set_state(pipeline, GST_STATE_PLAYING);
    for (long written = 0; status == 0 && (count == 0 || written < count); ++written) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) break;  // end of stream
        if (!writeFrame(sample)) status = fail("cannot write a frame");
        gst_sample_unref(sample);
    }
    if (!drainBus(pipeline) && status == 0) status = 1;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return status;
}
