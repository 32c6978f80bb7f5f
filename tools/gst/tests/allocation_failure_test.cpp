// Each element's start (caps, first frames, end of stream) with its Nth
// allocation refused, and with every allocation from the Nth on, for every N:
// the codec's stream buffers, C++ new and GStreamer memory. Each refusal is
// handled or a clean error: no crash, no GLib critical, no flow error without
// an error message, the element torn down without a leak (LeakSanitizer
// checks at exit); and a recording the sink took frames for is kept.
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "element_harness.h"

namespace drav::gsttest {
namespace {

namespace fs = std::filesystem;

constexpr GstClockTime FRAME = GST_SECOND / 10;

// What one run of an element's start gave.
struct StartRun {
    std::vector<GstFlowReturn> pushes;
    std::vector<std::string> errors;
};

using Start = std::function<StartRun()>;

// Runs the start with every allocation refused in turn, and with every one
// from it on, until a run asks for no more allocations than it got.
void refuseEachAllocation(const Start& start) {
    const GLogLevelFlags fatal = g_log_set_always_fatal(GLogLevelFlags(G_LOG_FATAL_MASK));
    g_log_set_always_fatal(GLogLevelFlags(fatal | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
    for (int failing = 0;; ++failing) {
        bool refused = false;
        for (bool onward : {false, true}) {
            SCOPED_TRACE("allocation " + std::to_string(failing) + (onward ? " and on" : ""));
            StartRun run;
            {
                AllocationGate gate(failing, onward);
                run = start();
                refused = gate.refused();
            }
            for (GstFlowReturn pushed : run.pushes)
                EXPECT_TRUE(pushed != GST_FLOW_ERROR || !run.errors.empty()) << "a flow error without an error message";
        }
        if (!refused || ::testing::Test::HasFailure()) break;
    }
    g_log_set_always_fatal(fatal);
}

// Pushes the frames after the caps, then end of stream; the element's errors.
// The test's own allocations pass the gate.
StartRun pushAll(GstHarness* harness, Messages& messages, GstCaps* caps, const std::vector<GstBuffer*>& buffers) {
    StartRun run;
    {
        GateOpen open;
        run.pushes.reserve(buffers.size() + 1);
    }
    run.pushes.push_back(gst_harness_push_event(harness, gst_event_new_caps(caps)) ? GST_FLOW_OK
                                                                                   : GST_FLOW_NOT_NEGOTIATED);
    newSegment(harness);
    for (GstBuffer* buffer : buffers) run.pushes.push_back(gst_harness_push(harness, buffer));
    gst_harness_push_event(harness, gst_event_new_eos());
    GateOpen open;
    run.errors = messages.take(GST_MESSAGE_ERROR);
    return run;
}

// The frames as buffers, made with the gate open.
std::vector<GstBuffer*> frameBuffers(const std::vector<CodedFrame>& frames, std::initializer_list<int> order) {
    GateOpen open;
    std::vector<GstBuffer*> buffers;
    for (int i : order) buffers.push_back(frameBuffer(frames[i].bytes, frames[i].key, i * FRAME, FRAME));
    return buffers;
}

// dravdec without the picture size in the caps: a delta frame waits for the
// key frame that opens the stream, then a corrupt frame and a key frame; with
// one job and with two.
TEST(AllocationFailure, DravDecStart) {
    initElements();
    std::mt19937 random(1);
    std::vector<CodedFrame> frames = codedStream({19, 6, 16}, 6, 3, random);
    frames[4].bytes.back() ^= 0xFF;
    for (guint jobs : {1u, 2u}) {
        refuseEachAllocation([&] {
            GstElement* decoder = nullptr;
            Harness harness = newHarness("dravdec", &decoder);
            g_object_set(decoder, "jobs", jobs, nullptr);
            Messages messages(decoder);
            return pushAll(harness.get(), messages, gst_caps_from_string("video/x-avi-unknown, fourcc=(int)1447121476"),
                           frameBuffers(frames, {1, 3, 4, 2, 3}));
        });
    }
}

// Two pictures, made with the gate open.
std::vector<GstBuffer*> pictureBuffers(const GstVideoInfo& info) {
    GateOpen open;
    std::vector<GstBuffer*> buffers;
    for (int i = 0; i < 2; ++i) {
        GstBuffer* picture = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
        gst_buffer_memset(picture, 0, uint8_t(40 * i), GST_VIDEO_INFO_SIZE(&info));
        GST_BUFFER_PTS(picture) = i * FRAME;
        buffers.push_back(picture);
    }
    return buffers;
}

TEST(AllocationFailure, DravEncStart) {
    initElements();
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRx, 13, 5);
    refuseEachAllocation([&] {
        GstElement* encoder = nullptr;
        Harness harness = newHarness("dravenc", &encoder);
        Messages messages(encoder);
        return pushAll(harness.get(), messages, gst_video_info_to_caps(&info), pictureBuffers(info));
    });
}

// The recording is finished as the sink stops: frames it took are in a file,
// under its name or one an error names.
TEST(AllocationFailure, DravAviSinkStart) {
    initElements();
    gchar* made = g_dir_make_tmp("dravavisink-XXXXXX", nullptr);
    const fs::path folder = made;
    const std::string location = (folder / "recording.avi").string();
    g_free(made);
    std::mt19937 random(1);
    const std::vector<CodedFrame> frames = codedStream({16, 12, 16}, 3, 2, random);
    refuseEachAllocation([&] {
        GstElement* sink = gst_element_factory_make("dravavisink", nullptr);
        g_object_set(sink, "location", location.c_str(), nullptr);
        Messages messages(sink);
        Harness harness = harnessFor(sink);
        StartRun run = pushAll(harness.get(), messages, encodedCaps({16, 12, 16}), frameBuffers(frames, {0, 1, 2}));
        harness.reset();
        GateOpen open;
        for (std::string& error : messages.take(GST_MESSAGE_ERROR)) run.errors.push_back(std::move(error));
        bool took = false;
        for (size_t i = 1; i < run.pushes.size(); ++i) took = took || run.pushes[i] == GST_FLOW_OK;
        size_t files = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            ++files;
            fs::remove(entry.path());
        }
        EXPECT_EQ(files, size_t(took));
        return run;
    });
    fs::remove_all(folder);
}

}  // namespace
}  // namespace drav::gsttest
