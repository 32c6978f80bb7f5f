// dravenc in process under seeded random sequences of caps (BGRx and RGB15,
// several sizes), pictures, pictures too short for their caps, forced key
// frames, flushes, gaps and end of stream. Every frame it pushes fits the
// stream format its caps carry, decodes to the picture it was given (RGB15
// exactly, BGRx at 5 bits per channel), and is a key frame exactly where one
// is due: after caps and flushes, every key-interval frames, and where forced,
// from which the interval counts anew. With 1 to 3 jobs (frames in flight),
// frames leave in order, at most jobs - 1 behind their pictures, every one at
// new caps and end of stream, and none of those in flight at a flush.
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "codec/frame_format.h"
#include "element_harness.h"
#include "win_records.h"

namespace drav::gsttest {
namespace {

constexpr GstClockTime FRAME = GST_SECOND / 10;
const PictureFormat SIZES[] = {{16, 9, 0}, {7, 5, 0}, {24, 16, 0}};

// A picture as dravenc receives it, in the caps' layout, and what decoding
// its frame gives: its RGB555 pixels, bottom-up rows padded to 4 bytes.
struct Sent {
    std::vector<uint8_t> rgb555;
    bool key = false;
};

// What dravenc's frames should decode to, checked as each arrives.
struct Expectations {
    std::deque<Sent> sent;
    FrameDecompressor decoder;
    BITMAPINFOHEADER format{};
    std::string step;
};

bool streamFormatOf(GstCaps* caps, BITMAPINFOHEADER& format) {
    const GValue* value = caps ? gst_structure_get_value(gst_caps_get_structure(caps, 0), "codec_data") : nullptr;
    GstBuffer* header = value ? gst_value_get_buffer(value) : nullptr;
    return header && gst_buffer_extract(header, 0, &format, sizeof format) == sizeof format;
}

GstPadProbeReturn checkFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& expected = *static_cast<Expectations*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    BITMAPINFOHEADER format{};
    const bool described = streamFormatOf(caps, format);
    if (caps) gst_caps_unref(caps);
    if (!described || expected.sent.empty()) {
        ADD_FAILURE() << expected.step << ": a frame without a stream format, or not expected";
        return GST_PAD_PROBE_OK;
    }
    const Sent sent = std::move(expected.sent.front());
    expected.sent.pop_front();
    EXPECT_EQ(!GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT), sent.key) << expected.step;
    EXPECT_LE(gst_buffer_get_size(buffer), format.biSizeImage) << expected.step;
    if (std::memcmp(&format, &expected.format, sizeof format) != 0) {
        expected.format = format;
        EXPECT_EQ(expected.decoder.begin(PictureFormat{uint32_t(format.biWidth), uint32_t(format.biHeight), 16}),
                  CodecStatus::Ok);
    }
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    EXPECT_EQ(expected.decoder.apply(ByteSpan{map.data, map.size}), CodecStatus::Ok) << expected.step;
    gst_buffer_unmap(buffer, &map);
    std::vector<uint8_t> decoded(sent.rgb555.size());
    const uint32_t stride = outputRowBytes(format.biWidth, OutputFormat::Rgb555);
    OutputPicture picture{decoded.data(), stride, uint32_t(format.biWidth), uint32_t(format.biHeight),
                          OutputFormat::Rgb555};
    EXPECT_EQ(expected.decoder.render(picture), CodecStatus::Ok);
    EXPECT_TRUE(decoded == sent.rgb555) << expected.step << ": the frame does not decode to its picture";
    return GST_PAD_PROBE_OK;
}

// A random picture in GStreamer's layout (top-down rows, padded to 4 bytes),
// and its RGB555 pixels bottom-up as the decoder renders them.
GstBuffer* randomPicture(const GstVideoInfo& info, std::mt19937& random, std::vector<uint8_t>& rgb555) {
    const bool bgrx = GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_BGRx;
    const int width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    const uint32_t rgbStride = outputRowBytes(width, OutputFormat::Rgb555);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    rgb555.assign(size_t(rgbStride) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t bits = random();
            uint8_t* pixel = map.data + y * stride + x * (bgrx ? 4 : 2);
            uint16_t value;
            if (bgrx) {
                for (int c = 0; c < 4; ++c) pixel[c] = uint8_t(bits >> (8 * c));
                value = uint16_t((pixel[0] >> 3) | (pixel[1] >> 3) << 5 | (pixel[2] >> 3) << 10);
            } else {
                value = uint16_t(bits & 0x7FFF);
                pixel[0] = uint8_t(value), pixel[1] = uint8_t(value >> 8);
            }
            uint8_t* decoded = &rgb555[size_t(height - 1 - y) * rgbStride + x * 2];
            decoded[0] = uint8_t(value), decoded[1] = uint8_t(value >> 8);
        }
    }
    gst_buffer_unmap(buffer, &map);
    return buffer;
}

TEST(DravEnc, RandomSequencesGiveFramesThatDecodeToTheirPicturesWithKeyFramesWhereDue) {
    initElements();
    std::mt19937 random;
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        random.seed(seed);
        Expectations expected;
        GstElement* encoder = nullptr;
        Harness harness = checkedHarness("dravenc", checkFrame, &expected, &encoder);
        Messages messages(encoder);
        const guint keyInterval = 1 + random() % 6;
        const guint jobs = 1 + random() % 3;
        g_object_set(encoder, "key-interval", keyInterval, "jobs", jobs, nullptr);
        GstVideoInfo info;
        gst_video_info_init(&info);
        guint framesToKey = 0;  // delta frames before the next scheduled key frame
        bool forced = false;
        std::string& step = expected.step;
        for (int i = 0; i < 60; ++i) {
            const unsigned choice = random() % 100;
            size_t expectedErrors = 0;
            size_t behind = jobs - 1;  // frames allowed in flight after the step
            bool flushed = false;
            if (i == 0 || choice < 8) {
                const PictureFormat& size = SIZES[random() % std::size(SIZES)];
                const bool bgrx = random() % 2;
                const GstVideoInfo last = info;
                gst_video_info_set_format(&info, bgrx ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_RGB15, size.width,
                                          size.height);
                info.fps_n = 10;
                step = std::string(bgrx ? "BGRx " : "RGB15 ") + std::to_string(size.width) + "x" +
                       std::to_string(size.height);
                gst_harness_set_src_caps(harness.get(), gst_video_info_to_caps(&info));
                // The base class passes on only caps that differ from the last.
                if (i == 0 || !gst_video_info_is_equal(&info, &last)) framesToKey = 0, behind = 0;
            } else if (choice < 70) {
                Sent sent;
                GstBuffer* picture = randomPicture(info, random, sent.rgb555);
                GST_BUFFER_PTS(picture) = i * FRAME;
                GST_BUFFER_DURATION(picture) = FRAME;
                const bool cut = random() % 20 == 0;
                step = "frame " + std::to_string(i) + (cut ? " cut short" : "");
                if (cut) gst_buffer_resize(picture, 0, gst_buffer_get_size(picture) - 1);
                if (!cut) {
                    sent.key = forced || framesToKey == 0;
                    framesToKey = sent.key ? keyInterval - 1 : framesToKey - 1;
                    expected.sent.push_back(std::move(sent));
                }
                forced = false;
                EXPECT_EQ(gst_harness_push(harness.get(), picture), cut ? GST_FLOW_ERROR : GST_FLOW_OK) << step;
                expectedErrors = cut;
                if (cut) {  // a stream starts again after an error: from a key frame
                    flush(harness.get());
                    framesToKey = 0, flushed = true;
                }
            } else if (choice < 80) {
                step = "force a key frame";
                forced = true;
                gst_harness_push_event(harness.get(),
                                       gst_video_event_new_downstream_force_key_unit(
                                           GST_CLOCK_TIME_NONE, GST_CLOCK_TIME_NONE, GST_CLOCK_TIME_NONE, FALSE, 0));
            } else if (choice < 88) {
                step = "flush";
                flush(harness.get());
                framesToKey = 0, flushed = true;
            } else if (choice < 94) {
                step = "gap";
                gst_harness_push_event(harness.get(), gst_event_new_gap(i * FRAME, FRAME));
            } else {
                step = "end of stream";
                gst_harness_push_event(harness.get(), gst_event_new_eos());
                EXPECT_TRUE(expected.sent.empty()) << expected.sent.size() << " frames not pushed at end of stream";
                flush(harness.get());
                framesToKey = 0;
            }
            EXPECT_EQ(messages.take(GST_MESSAGE_ERROR).size(), expectedErrors) << step;
            EXPECT_LE(expected.sent.size(), behind) << step << ": frames not pushed, with " << jobs << " jobs";
            if (flushed) expected.sent.clear();  // dropped in flight
            if (HasFailure()) return;
        }
    }
}

}  // namespace
}  // namespace drav::gsttest
