// dravdec in process under seeded random sequences of caps (with and without
// the picture size), reconfigure requests, flushes, seeks, gaps, end of
// stream, and corrupt, cut and discontinuous frames. Every buffer it pushes
// fits its caps and shows the picture a reference decoder (the same codec and
// frame order, rendering whole pictures) shows, flagged corrupted while the
// picture is held; no frame stays in the base class's list unless it waits
// for a key frame, or with two jobs for the frame after it.
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <utility>
#include <memory>

#include "element_harness.h"
#include "frame_sequence_decoder.h"

namespace drav::gsttest {
namespace {

constexpr GstClockTime FRAME = GST_SECOND / 10;
const PictureFormat STREAMS[] = {{24, 16, 16}, {13, 7, 8}};  // compressor input formats
constexpr int STREAM_FRAMES = 24, KEY_INTERVAL = 6;

struct Output {
    const char* name;
    OutputFormat format;
};
constexpr Output OUTPUTS[] = {{"RGB15", OutputFormat::Rgb555},
                              {"BGRx", OutputFormat::Bgrx32},
                              {"BGR", OutputFormat::Bgr24},
                              {"RGB16", OutputFormat::Rgb565}};

// A picture as dravdec should push it: the decoder's picture rendered whole
// in every output format (the visible pixels, top-down); when the frame left
// it held, also the picture pushed last if the format is the same (a damaged
// frame may have written some pixels, and a shown buffer keeps the last good
// picture while it is not rendered anew).
struct ExpectedPicture {
    std::vector<uint8_t> rendered[std::size(OUTPUTS)];
    bool held = false, corrupted = false;
    const char* natural = nullptr;  // the stream's own format, when downstream took any
};

// What dravdec should show, from the same codec and frame order.
class Reference final : public tool::FrameApplier {
public:
    bool decompress(const uint8_t* data, uint32_t size) override {
        return codec_.apply(ByteSpan{data, size}) == CodecStatus::Ok;
    }

    // The base class passes on only caps that differ from the last (caps
    // without a size are all alike); a key frame gives the picture size.
    void setCaps(const PictureFormat& stream, bool sized) {
        const bool same = sized ? sized_ && stream.width == stream_.width && stream.depth == stream_.depth : !sized_;
        if (same && sequence_) return;
        stream_ = stream;
        if (same) return;
        sized_ = sized;
        sequence_.reset();
        waiting_.clear();
        if (sized) open();
    }
    void flush() {
        waiting_.clear();
        framesIn_ = picturesOut_ = 0;
        if (sequence_) open();
    }
    // True when frames came since the last flush and no picture: an error
    // (dravdec's when frames wait for a key frame that never came, else the
    // base class's).
    bool endOfStream() {
        const bool lost = !waiting_.empty() || (framesIn_ > 0 && picturesOut_ == 0);
        waiting_.clear();
        return lost;
    }
    void frame(const std::vector<uint8_t>& bytes, bool key, bool discont) {
        ++framesIn_;
        if (!sequence_) {
            waiting_.push_back({bytes, key});
            if (!key) return;
            open();
            for (const CodedFrame& waiting : waiting_) decode(waiting.bytes, waiting.key);
            waiting_.clear();
            return;
        }
        if (discont) sequence_->holdUntilKeyFrame();
        decode(bytes, key);
    }
    bool opened() const { return sequence_ != nullptr; }
    // The format dravdec chooses when downstream takes any: the stream's own.
    const char* naturalOutput() const { return stream_.depth == 16 ? "RGB15" : "BGR"; }
    bool anyOutput = true;  // downstream takes any format
    // The picture dravdec pushed last since the stream (re)started, and its format.
    std::vector<uint8_t> lastPushed;
    size_t lastOutput = std::size(OUTPUTS);
    size_t waiting() const { return waiting_.size(); }
    std::deque<ExpectedPicture> shown;  // pushed by dravdec next, oldest first
    std::string step;                   // what the test did last

private:
    void open() {
        ASSERT_EQ(codec_.begin(stream_), CodecStatus::Ok);
        lastOutput = std::size(OUTPUTS);
        sequence_ = std::make_unique<tool::FrameSequenceDecoder>(*this, stream_);
    }
    void decode(const std::vector<uint8_t>& bytes, bool key) {
        std::string problem;
        const auto outcome = sequence_->decode({0, bytes.data(), uint32_t(bytes.size()), key, false}, problem);
        ExpectedPicture picture;
        for (size_t i = 0; i < std::size(OUTPUTS); ++i) {
            const uint32_t stride = outputRowBytes(stream_.width, OUTPUTS[i].format);
            std::vector<uint8_t> rows(size_t(stride) * stream_.height);
            OutputPicture output{rows.data() + size_t(stride) * (stream_.height - 1), -ptrdiff_t(stride), stream_.width,
                                 stream_.height, OUTPUTS[i].format};
            EXPECT_EQ(codec_.render(output), CodecStatus::Ok);
            const size_t visible = stream_.width * outputBitCount(OUTPUTS[i].format) / 8;
            for (uint32_t row = 0; row < stream_.height; ++row)
                picture.rendered[i].insert(picture.rendered[i].end(), &rows[row * stride],
                                           &rows[row * stride] + visible);
        }
        picture.held = outcome != tool::FrameSequenceDecoder::Outcome::Decoded &&
                       outcome != tool::FrameSequenceDecoder::Outcome::Recovered;
        picture.corrupted = sequence_->holding();
        if (anyOutput) picture.natural = naturalOutput();
        shown.push_back(std::move(picture));
        ++picturesOut_;
    }

    PictureFormat stream_;
    bool sized_ = false;
    FrameDecompressor codec_;
    std::unique_ptr<tool::FrameSequenceDecoder> sequence_;
    std::vector<CodedFrame> waiting_;
    int framesIn_ = 0, picturesOut_ = 0;  // since the last flush
};

// Every buffer dravdec pushes, checked as it arrives against the reference.
GstPadProbeReturn checkOutput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& reference = *static_cast<Reference*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstVideoInfo video;
    EXPECT_TRUE(caps && gst_video_info_from_caps(&video, caps));
    const bool fits = fitsCaps(buffer, caps);
    EXPECT_TRUE(fits) << gst_buffer_get_size(buffer) << " bytes under " << caps;
    if (caps) gst_caps_unref(caps);
    if (reference.shown.empty()) {
        ADD_FAILURE() << "a buffer the reference does not expect";
        return GST_PAD_PROBE_OK;
    }
    const ExpectedPicture expected = std::move(reference.shown.front());
    reference.shown.pop_front();
    if (expected.natural) {
        EXPECT_STREQ(gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&video)), expected.natural);
    }
    EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_CORRUPTED), expected.corrupted) << reference.step;
    size_t output = 0;
    while (output < std::size(OUTPUTS) &&
           gst_video_format_from_string(OUTPUTS[output].name) != GST_VIDEO_INFO_FORMAT(&video))
        ++output;
    GstVideoFrame frame;
    if (output == std::size(OUTPUTS) || !fits || !gst_video_frame_map(&frame, &video, buffer, GST_MAP_READ))
        return GST_PAD_PROBE_OK;
    std::vector<uint8_t> pushed;
    const size_t visible = size_t(GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0)) * GST_VIDEO_FRAME_WIDTH(&frame);
    for (int row = 0; row < GST_VIDEO_FRAME_HEIGHT(&frame); ++row) {
        const auto* pixels = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                             row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        pushed.insert(pushed.end(), pixels, pixels + visible);
    }
    gst_video_frame_unmap(&frame);
    const bool asHeld = expected.held && output == reference.lastOutput && pushed == reference.lastPushed;
    EXPECT_TRUE(pushed == expected.rendered[output] || asHeld)
        << reference.step << ": not the reference's picture in " << OUTPUTS[output].name;
    reference.lastPushed = std::move(pushed);
    reference.lastOutput = output;
    return GST_PAD_PROBE_OK;
}

GstCaps* streamCaps(const PictureFormat& input, bool sized) {
    GstCaps* caps = gst_caps_from_string("video/x-avi-unknown, fourcc=(int)1447121476");
    if (sized)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, int(input.width), "height", G_TYPE_INT, int(input.height),
                            "depth", G_TYPE_INT, int(compressedDepthFor(input.depth)), nullptr);
    return caps;
}

guint framesHeld(GstElement* decoder) {
    GList* frames = gst_video_decoder_get_frames(GST_VIDEO_DECODER(decoder));
    const guint held = g_list_length(frames);
    g_list_free_full(frames, reinterpret_cast<GDestroyNotify>(gst_video_codec_frame_unref));
    return held;
}

// A copy of the frame, damaged: a byte flipped, or cut short.
std::vector<uint8_t> damaged(std::vector<uint8_t> bytes, bool cut, std::mt19937& random) {
    if (bytes.empty()) return bytes;
    if (cut)
        bytes.resize(random() % bytes.size());
    else
        bytes[random() % bytes.size()] ^= uint8_t(1 + random() % 255);
    return bytes;
}

TEST(DravDec, RandomSequencesGiveBuffersThatFitTheirCapsAndShowTheReferencePicture) {
    initElements();
    std::mt19937 random(1);
    std::vector<CodedFrame> streams[std::size(STREAMS)];
    for (size_t i = 0; i < std::size(STREAMS); ++i)
        streams[i] = codedStream(STREAMS[i], STREAM_FRAMES, KEY_INTERVAL, random);

    for (uint32_t seed = 1; seed <= 20; ++seed) {
        // With two jobs a picture waits for the next frame, or for the end, a
        // gap or new caps to push it, or a flush to drop it.
        const guint jobs = 1 + seed % 2;
        SCOPED_TRACE("seed " + std::to_string(seed) + ", jobs " + std::to_string(jobs));
        random.seed(seed);
        Reference reference;
        GstElement* decoder = nullptr;
        Harness harness = checkedHarness("dravdec", checkOutput, &reference, &decoder);
        g_object_set(decoder, "jobs", jobs, nullptr);
        Messages messages(decoder);
        size_t stream = 0, next = 0;
        bool discont = false;
        std::string& step = reference.step;
        for (int i = 0; i < 100; ++i) {
            const unsigned choice = random() % 100;
            unsigned expectedErrors = 0;
            bool drained = false;
            if (choice < 55 || i == 0) {  // caps first, then mostly frames
                if (i == 0 || choice >= 50) {
                    stream = random() % std::size(STREAMS);
                    const bool sized = random() % 2;
                    step = sized ? "sized caps" : "caps";
                    reference.setCaps(
                        {STREAMS[stream].width, STREAMS[stream].height, compressedDepthFor(STREAMS[stream].depth)},
                        sized);
                    gst_harness_push_event(harness.get(), gst_event_new_caps(streamCaps(STREAMS[stream], sized)));
                    newSegment(harness.get());
                    next = 0;
                    continue;
                }
                const CodedFrame& frame = streams[stream][next];
                const unsigned damage = reference.opened() ? random() % 20 : 9;
                const std::vector<uint8_t> bytes = damage < 2 ? damaged(frame.bytes, damage == 1, random) : frame.bytes;
                discont = discont || damage == 2;
                step = "frame " + std::to_string(next) + (damage < 2 ? " damaged" : "") + (discont ? " discont" : "");
                reference.frame(bytes, frame.key, discont);
                GstBuffer* buffer = frameBuffer(bytes, frame.key, next * FRAME, FRAME);
                if (discont) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
                EXPECT_EQ(gst_harness_push(harness.get(), buffer), GST_FLOW_OK) << step;
                next = (next + 1) % STREAM_FRAMES;
                discont = next == 0;
            } else if (choice < 70) {
                const size_t output = random() % (std::size(OUTPUTS) + 1);
                const bool any = output == std::size(OUTPUTS);
                std::shared_ptr<GstCaps> caps(
                    any ? gst_caps_new_any()
                        : gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, OUTPUTS[output].name, nullptr),
                    gst_caps_unref);
                GstHarness* sink = harness.get();
                auto ask = [sink, caps] { gst_harness_set_sink_caps(sink, gst_caps_ref(caps.get())); };
                // Now, or while dravdec takes its next new buffer (after it chose the format).
                const bool now = random() % 2;
                step = std::string("downstream asks for ") + (any ? "any" : OUTPUTS[output].name) +
                       (now ? "" : " at the next allocation");
                reference.anyOutput = now && any;
                atNextBufferAllocation(now ? std::function<void()>() : ask);
                if (now) ask();
            } else if (choice < 80) {
                const bool seek = random() % 2;
                step = seek ? "seek" : "flush";
                flush(harness.get());
                reference.flush();
                reference.shown.clear();  // a waiting picture is dropped
                if (seek) next = random() % STREAM_FRAMES, discont = true;
            } else if (choice < 88) {
                step = "gap";
                gst_harness_push_event(harness.get(), gst_event_new_gap(next * FRAME, FRAME));
                drained = true;
            } else {
                step = "end of stream";
                gst_harness_push_event(harness.get(), gst_event_new_eos());
                expectedErrors = reference.endOfStream();
                drained = true;
                flush(harness.get());
                reference.flush();
            }
            EXPECT_EQ(messages.take(GST_MESSAGE_ERROR).size(), expectedErrors) << step;
            const size_t mayWait = jobs > 1 && !drained ? 1 : 0;
            EXPECT_LE(reference.shown.size(), mayWait)
                << step << ": " << reference.shown.size() << " pictures not pushed";
            EXPECT_EQ(framesHeld(decoder), reference.waiting() + reference.shown.size()) << step;
            if (HasFailure()) break;
        }
        atNextBufferAllocation(nullptr);
        if (HasFailure()) return;
    }
}

// Sized caps and `count` key frames of a 16-bit stream, those listed in
// damagedFrames damaged: the push results and the messages.
struct Pushed {
    std::vector<GstFlowReturn> results;
    std::vector<std::string> errors, warnings;
};

Pushed pushFrames(int maxErrors, const std::vector<int>& damagedFrames, int count) {
    initElements();
    std::mt19937 random(7);
    const std::vector<CodedFrame> frames = codedStream(STREAMS[0], count, 1, random);
    GstElement* decoder = nullptr;
    Harness harness = newHarness("dravdec", &decoder);
    g_object_set(decoder, "max-errors", maxErrors, nullptr);
    Messages messages(decoder);
    gst_harness_set_src_caps(harness.get(), streamCaps(STREAMS[0], true));
    Pushed pushed;
    for (int i = 0; i < count; ++i) {
        const bool damage = std::find(damagedFrames.begin(), damagedFrames.end(), i) != damagedFrames.end();
        const std::vector<uint8_t> bytes = damage ? damaged(frames[i].bytes, false, random) : frames[i].bytes;
        pushed.results.push_back(gst_harness_push(harness.get(), frameBuffer(bytes, frames[i].key, i * FRAME, FRAME)));
    }
    pushed.errors = messages.take(GST_MESSAGE_ERROR);
    pushed.warnings = messages.take(GST_MESSAGE_WARNING);
    return pushed;
}

// max-errors is the base class's: how many decoding errors in a row are only
// warned about (-1, the default: all). Every frame pushes a picture (the held
// one after a corrupt frame), and a pushed picture ends a run of errors.
TEST(DravDec, CorruptFramesCountAsDecodingErrors) {
    constexpr GstFlowReturn OK = GST_FLOW_OK, ERROR = GST_FLOW_ERROR;
    const struct {
        int maxErrors;
        std::vector<int> damaged;
        std::vector<GstFlowReturn> results;
        size_t errors, warnings;
    } cases[] = {
        {-1, {1, 2, 4}, {OK, OK, OK, OK, OK}, 0, 3},
        {0, {2}, {OK, OK, ERROR, OK, OK}, 1, 0},
        {1, {1, 2}, {OK, OK, OK, OK, OK}, 0, 2},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE("max-errors " + std::to_string(test.maxErrors));
        const Pushed pushed = pushFrames(test.maxErrors, test.damaged, 5);
        EXPECT_EQ(pushed.results, test.results);
        ASSERT_EQ(pushed.errors.size(), test.errors);
        EXPECT_EQ(pushed.warnings.size(), test.warnings);
        if (test.errors) {
            EXPECT_EQ(pushed.errors[0].rfind("frame 2: corrupt frame: ", 0), 0u) << pushed.errors[0];
        }
    }
}

// Downstream fails the first picture of the frames that waited for a key
// frame: the others are released, none stays in the base class's list.
GstPadProbeReturn refuseFirstBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (std::exchange(*static_cast<bool*>(data), true)) return GST_PAD_PROBE_OK;
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
    return GST_PAD_PROBE_HANDLED;
}

TEST(DravDec, FramesWaitingForAKeyFrameAreReleasedWhenOneFails) {
    initElements();
    std::mt19937 random(3);
    const std::vector<CodedFrame> frames = codedStream(STREAMS[0], KEY_INTERVAL + 1, KEY_INTERVAL, random);
    GstElement* decoder = nullptr;
    Harness harness = newHarness("dravdec", &decoder);
    Messages messages(decoder);
    gst_harness_set_src_caps(harness.get(), streamCaps(STREAMS[0], false));
    bool refused = false;
    gst_pad_add_probe(harness->sinkpad, GST_PAD_PROBE_TYPE_BUFFER, refuseFirstBuffer, &refused, nullptr);
    for (int i = 1; i <= KEY_INTERVAL; ++i) {  // delta frames waiting, then key frame 6
        const GstFlowReturn pushed =
            gst_harness_push(harness.get(), frameBuffer(frames[i].bytes, frames[i].key, i * FRAME, FRAME));
        EXPECT_EQ(pushed, i < KEY_INTERVAL ? GST_FLOW_OK : GST_FLOW_ERROR) << "frame " << i;
    }
    EXPECT_EQ(framesHeld(decoder), 0u);
}

// Formats the codec cannot decode are refused with the caps, saying why.
TEST(DravDec, RefusesFormatsItCannotDecode) {
    initElements();
    const struct {
        const char* caps;
        const char* why;
    } cases[] = {
        {"width=70000, height=48", "cannot decode this DRAV stream: unsupported picture size 70000x48"},
        {"width=64, height=48, depth=32", "cannot decode this DRAV stream: unsupported depth 32 bits per pixel"},
    };
    for (const auto& test : cases) {
        GstElement* decoder = nullptr;
        Harness harness = newHarness("dravdec", &decoder);
        Messages messages(decoder);
        const std::string caps = std::string("video/x-avi-unknown, fourcc=(int)1447121476, ") + test.caps;
        gst_harness_push_event(harness.get(), gst_event_new_caps(gst_caps_from_string(caps.c_str())));
        const std::vector<std::string> errors = messages.take(GST_MESSAGE_ERROR);
        ASSERT_EQ(errors.size(), 1u) << test.caps;
        EXPECT_EQ(errors[0].rfind(test.why, 0), 0u) << errors[0];
    }
}

}  // namespace
}  // namespace drav::gsttest
