// dravenc's key frames in a real pipeline: every key-interval frames, and
// wherever upstream forces one, from which the interval counts anew.
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr GstClockTime FRAME_DURATION = GST_SECOND / 10;

struct Recording {
    guint64 forcedFrame;
    std::vector<int> keyFrames;
    int frames = 0;
};

// Asks for a key frame just before the chosen frame reaches the encoder.
GstPadProbeReturn forceKeyFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    const auto* recording = static_cast<const Recording*>(data);
    const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
    if (pts == recording->forcedFrame * FRAME_DURATION)
        gst_pad_send_event(pad, gst_video_event_new_downstream_force_key_unit(pts, pts, pts, FALSE, 0));
    return GST_PAD_PROBE_OK;
}

void recordFrame(GstElement*, GstBuffer* buffer, GstPad*, gpointer data) {
    auto* recording = static_cast<Recording*>(data);
    if (!GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT)) recording->keyFrames.push_back(recording->frames);
    ++recording->frames;
}

// Runs the pipeline to its end; false on an error.
bool runToEnd(GstElement* pipeline) {
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return ended;
}

// Plugins are loaded in this process, not by GStreamer's scanner: a sanitizer
// build's plugin loads only into an instrumented program. The registry stays
// in the test's folder.
void initGStreamer() {
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    g_setenv("GST_REGISTRY", "registry.bin", FALSE);
    gst_init(nullptr, nullptr);
}

TEST(DravEnc, KeyFramesEveryIntervalAndWhereForced) {
    initGStreamer();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch_full(
        "videotestsrc num-buffers=20 pattern=ball ! video/x-raw,format=RGB15,width=67,height=37,framerate=10/1 ! "
        "dravenc name=encoder key-interval=4 ! fakesink name=sink signal-handoffs=true",
        nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    ASSERT_NE(pipeline, nullptr) << error->message;
    Recording recording{6, {}, 0};
    GstElement* encoder = gst_bin_get_by_name(GST_BIN(pipeline), "encoder");
    GstPad* encoderInput = gst_element_get_static_pad(encoder, "sink");
    gst_pad_add_probe(encoderInput, GST_PAD_PROBE_TYPE_BUFFER, forceKeyFrame, &recording, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_signal_connect(sink, "handoff", G_CALLBACK(recordFrame), &recording);

    EXPECT_TRUE(runToEnd(pipeline));
    EXPECT_EQ(recording.frames, 20);
    EXPECT_EQ(recording.keyFrames, (std::vector<int>{0, 4, 6, 10, 14, 18}));

    gst_object_unref(sink);
    gst_object_unref(encoderInput);
    gst_object_unref(encoder);
    gst_object_unref(pipeline);
}

}  // namespace

// GLib keeps the quark table it outgrows (a constructor's allocation): not a
// leak of ours. Matching it needs the slow unwinder, GLib has no frame pointers.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }
