// dravavisink in process under seeded random sequences of caps (a second
// stream format among them), frames, flushes, gaps, end of stream and the
// sink stopping and starting again, and through write errors. A recording is
// never deleted: whatever ends it (end of stream, an error, the sink
// stopping), its file is complete and plays, with every frame written, as soon
// as the sink reports; a file that cannot be completed is kept under a
// temporary name the error gives; nothing else is left in the folder.
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "avi_reader.h"
#include "codec/frame_format.h"
#include "element_harness.h"

namespace drav::gsttest {
namespace {

namespace fs = std::filesystem;

constexpr PictureFormat FORMATS[] = {{16, 12, 16}, {20, 10, 16}};
constexpr int STREAM_FRAMES = 12;

// A folder of its own, removed with what is in it.
struct Folder {
    fs::path path;
    Folder() {
        gchar* made = g_dir_make_tmp("dravavisink-XXXXXX", nullptr);
        path = made;
        g_free(made);
    }
    ~Folder() { fs::remove_all(path); }
    // The files whose names hold ".part-": recordings under way or kept.
    std::vector<fs::path> partialFiles() const {
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.path().filename().string().find(".part-") != std::string::npos) found.push_back(entry.path());
        return found;
    }
};

// A dravavisink on the harness, writing recording.avi in a folder of its own.
struct RecordingSink {
    Folder folder;
    fs::path location = folder.path / "recording.avi";
    GstElement* sink = newSink(location);
    Messages messages{sink};
    Harness harness = harnessFor(sink);

    static GstElement* newSink(const fs::path& location) {
        GstElement* sink = gst_element_factory_make("dravavisink", nullptr);
        g_object_set(sink, "location", location.c_str(), nullptr);
        return sink;
    }
};

void startStream(GstHarness* harness, const PictureFormat& format) {
    gst_harness_push_event(harness, gst_event_new_stream_start("recording"));
    gst_harness_push_event(harness, gst_event_new_caps(encodedCaps(format)));
    newSegment(harness);
}

// A complete recording of the frames: every one there with its key flag, as
// many as the headers announce, and each decodes.
void expectRecording(const fs::path& file, const std::vector<CodedFrame>& frames) {
    SCOPED_TRACE(file.string());
    tool::DravAviReader reader(file.string());
    EXPECT_EQ(reader.stream().announcedFrames, int64_t(frames.size()));
    const BITMAPINFOHEADER& format = reader.stream().format;
    FrameDecompressor decoder;
    ASSERT_EQ(decoder.begin(PictureFormat{uint32_t(format.biWidth), uint32_t(format.biHeight), format.biBitCount}),
              CodecStatus::Ok);
    tool::StoredFrame frame;
    size_t read = 0;
    for (; reader.next(frame) == tool::DravAviReader::Result::FrameRead; ++read) {
        ASSERT_LT(read, frames.size());
        EXPECT_EQ(std::vector<uint8_t>(frame.data, frame.data + frame.size), frames[read].bytes) << "frame " << read;
        EXPECT_EQ(frame.keyFrame, frames[read].key) << "frame " << read;
        EXPECT_EQ(decoder.apply(ByteSpan{frame.data, frame.size}), CodecStatus::Ok) << "frame " << read;
    }
    EXPECT_EQ(read, frames.size());
    EXPECT_TRUE(reader.readError().empty()) << reader.readError();
}

// What the sink should have written: the recording under way (its file is
// created at the first frame), and the last recording finished with frames
// (the file under the location).
struct Expected {
    bool finished = false;  // until the sink starts again, no frame is written
    size_t format = 0;
    std::vector<CodedFrame> recording, onDisk;
    bool diskChanged = false;

    void end() {
        if (!recording.empty()) onDisk = std::move(recording), diskChanged = true;
        recording.clear();
    }
};

TEST(DravAviSink, RandomSequencesLeaveEveryRecordingCompleteWhateverEndsIt) {
    initElements();
    std::mt19937 random(11);
    std::vector<CodedFrame> streams[std::size(FORMATS)];
    for (size_t i = 0; i < std::size(FORMATS); ++i) streams[i] = codedStream(FORMATS[i], STREAM_FRAMES, 5, random);

    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        random.seed(seed);
        RecordingSink recording;
        auto& [folder, location, sink, messages, harness] = recording;
        Expected expected;
        startStream(harness.get(), FORMATS[0]);
        size_t next = 0;
        std::string step;
        for (int i = 0; i < 40; ++i) {
            const unsigned choice = random() % 100;
            size_t errors = 0;
            if (choice < 55) {
                const CodedFrame& frame = streams[expected.format][next++ % STREAM_FRAMES];
                step = "frame";
                const GstFlowReturn pushed =
                    gst_harness_push(harness.get(), frameBuffer(frame.bytes, frame.key, i * GST_SECOND / 10, 0));
                if (!expected.finished) expected.recording.push_back(frame);
                errors = expected.finished;
                EXPECT_EQ(pushed, errors ? GST_FLOW_ERROR : GST_FLOW_OK) << step;
            } else if (choice < 70) {
                const size_t format = random() % std::size(FORMATS);
                step = "caps " + std::to_string(format);
                gst_harness_push_event(harness.get(), gst_event_new_caps(encodedCaps(FORMATS[format])));
                if (!expected.recording.empty() && format != expected.format) {
                    errors = 1;  // a second stream format ends the recording
                    expected.end();
                    expected.finished = true;
                }
                expected.format = format;
                next = 0;
            } else if (choice < 76) {
                step = "flush";
                flush(harness.get());
            } else if (choice < 80) {
                step = "gap";
                gst_harness_push_event(harness.get(), gst_event_new_gap(i * GST_SECOND / 10, GST_SECOND / 10));
            } else if (choice < 90) {
                step = "end of stream, then a flush";
                gst_harness_push_event(harness.get(), gst_event_new_eos());
                expected.finished = expected.finished || !expected.recording.empty();
                expected.end();
                flush(harness.get());
            } else {
                step = "the sink stops and starts again";
                EXPECT_EQ(gst_element_set_state(sink, random() % 2 ? GST_STATE_READY : GST_STATE_NULL),
                          GST_STATE_CHANGE_SUCCESS);
                expected.end();
                gst_pad_set_active(harness->srcpad, FALSE);  // upstream restarts too
                gst_pad_set_active(harness->srcpad, TRUE);
                EXPECT_EQ(gst_element_set_state(sink, GST_STATE_PLAYING), GST_STATE_CHANGE_SUCCESS);
                startStream(harness.get(), FORMATS[expected.format]);
                expected.finished = false;
                next = 0;
            }
            EXPECT_EQ(messages.take(GST_MESSAGE_ERROR).size(), errors) << step;
            EXPECT_EQ(folder.partialFiles().size(), size_t(!expected.recording.empty())) << step;
            ASSERT_EQ(fs::exists(location), !expected.onDisk.empty()) << step;
            if (expected.diskChanged) expectRecording(location, expected.onDisk);
            expected.diskChanged = false;
            if (HasFailure()) return;
        }
        harness.reset();  // stopped without end of stream: Ctrl+C without -e
        expected.end();
        EXPECT_TRUE(folder.partialFiles().empty());
        if (!expected.onDisk.empty()) expectRecording(location, expected.onDisk);
        EXPECT_TRUE(messages.take(GST_MESSAGE_ERROR).empty());
    }
}

// The file system refuses to hold more than a few frames: the error names
// where they are kept, as the recording cannot be completed.
TEST(DravAviSink, AWriteErrorKeepsTheFramesUnderATemporaryNameItGives) {
    initElements();
    std::mt19937 random(5);
    const PictureFormat large{64, 48, 16};
    const std::vector<CodedFrame> frames = codedStream(large, 100, 1, random);
    RecordingSink recording;
    auto& [folder, location, sink, messages, harness] = recording;
    startStream(harness.get(), large);

    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{32 * 1024, limit.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    GstFlowReturn pushed = GST_FLOW_OK;
    for (size_t i = 0; i < frames.size() && pushed == GST_FLOW_OK; ++i)
        pushed = gst_harness_push(harness.get(), frameBuffer(frames[i].bytes, frames[i].key, GST_CLOCK_TIME_NONE, 0));
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(pushed, GST_FLOW_ERROR);
    const std::vector<std::string> errors = messages.take(GST_MESSAGE_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    const std::vector<fs::path> kept = folder.partialFiles();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(errors[0].find("cannot write"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(" are in " + kept[0].string()), std::string::npos) << errors[0];
    EXPECT_GT(fs::file_size(kept[0]), 24 * 1024u);
    EXPECT_FALSE(fs::exists(location));
}

// Stopping cannot put the finished file under its name (a folder of that
// name): the error names the temporary file that holds the recording.
TEST(DravAviSink, AFileThatCannotTakeItsNameIsKeptAndNamed) {
    initElements();
    std::mt19937 random(5);
    const std::vector<CodedFrame> frames = codedStream(FORMATS[0], 3, 5, random);
    RecordingSink recording;
    auto& [folder, location, sink, messages, harness] = recording;
    fs::create_directory(location);
    startStream(harness.get(), FORMATS[0]);
    for (const CodedFrame& frame : frames)
        EXPECT_EQ(gst_harness_push(harness.get(), frameBuffer(frame.bytes, frame.key, GST_CLOCK_TIME_NONE, 0)),
                  GST_FLOW_OK);
    harness.reset();
    const std::vector<std::string> errors = messages.take(GST_MESSAGE_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    const std::vector<fs::path> kept = folder.partialFiles();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(errors[0].find(kept[0].string()), std::string::npos) << errors[0];
    expectRecording(kept[0], frames);
}

// Without a file name the sink refuses to start, saying so.
TEST(DravAviSink, RefusesToStartWithoutAFileName) {
    initElements();
    GstElement* sink = gst_element_factory_make("dravavisink", nullptr);
    Messages messages(sink);
    EXPECT_EQ(gst_element_set_state(sink, GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    const std::vector<std::string> errors = messages.take(GST_MESSAGE_ERROR);
    ASSERT_FALSE(errors.empty());  // the base class adds one of its own
    EXPECT_EQ(errors[0].rfind("no file name given", 0), 0u) << errors[0];
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
}

}  // namespace
}  // namespace drav::gsttest
