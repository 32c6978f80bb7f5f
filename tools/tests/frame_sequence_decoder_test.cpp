#include "frame_sequence_decoder.h"

#include <gtest/gtest.h>

#include "dib_format.h"
#include "test_pictures.h"

namespace drav::tool {
namespace {

using Outcome = FrameSequenceDecoder::Outcome;

// Five 16-bit pictures, each differing from the one before in a small block,
// compressed as key frame, delta, delta, delta, key frame.
class RecordedSequence : public ::testing::Test {
protected:
    static constexpr uint32_t WIDTH = 40, HEIGHT = 30;

    void SetUp() override {
        DibPicture picture = test::makeRandomDib(WIDTH, HEIGHT, 16, 7);
        CompressionStream encoder(picture.info.header);
        format = encoder.compressedFormat();
        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                for (int row = 2 * i; row < 2 * i + 3; ++row) picture.pixels[row * 80 + 4 * i] ^= 0x5A;
            frames.push_back(test::compressInto(encoder, picture, i == 0 || i == 4));
            expected.push_back(render(frames, i));
        }
    }

    // The output of a clean decode of frames 0..last.
    std::vector<uint8_t> render(const std::vector<test::StoredTestFrame>& stored, int last) {
        DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
        for (int i = 0; i <= last; ++i)
            EXPECT_TRUE(codec.decompress(stored[i].bytes.data(), uint32_t(stored[i].bytes.size())));
        return test::packedPixels(codec);
    }

    static StoredFrame stored(const test::StoredTestFrame& frame, int64_t number) {
        StoredFrame result;
        result.number = number;
        result.data = frame.bytes.data();
        result.size = uint32_t(frame.bytes.size());
        result.keyFrame = frame.keyFrame;
        return result;
    }

    std::vector<test::StoredTestFrame> frames;
    std::vector<std::vector<uint8_t>> expected;
    BITMAPINFOHEADER format{};
};

TEST_F(RecordedSequence, ACleanStreamDecodesFrameByFrame) {
    DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    for (int i = 0; i < 5; ++i) {
        std::string problem;
        EXPECT_EQ(decoder.decode(stored(frames[i], i), problem), Outcome::Decoded) << "frame " << i;
        EXPECT_EQ(test::packedPixels(codec), expected[i]) << "frame " << i;
        EXPECT_FALSE(decoder.holding());
    }
}

TEST_F(RecordedSequence, ACorruptFrameHoldsTheLastGoodPictureUntilTheNextKeyFrame) {
    frames[2].bytes[frames[2].bytes.size() / 2] ^= 0x01;
    DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    const Outcome outcomes[] = {Outcome::Decoded, Outcome::Decoded, Outcome::Corrupt, Outcome::Held,
                                Outcome::Recovered};
    const int shown[] = {0, 1, 1, 1, 4};
    for (int i = 0; i < 5; ++i) {
        std::string problem;
        EXPECT_EQ(decoder.decode(stored(frames[i], i), problem), outcomes[i]) << "frame " << i;
        EXPECT_EQ(test::packedPixels(codec), expected[shown[i]]) << "frame " << i;
        if (i == 2) {
            EXPECT_NE(problem.find("corrupt frame: chunk 1 at byte 0: CodedRect fails its CRC"), std::string::npos)
                << problem;
        }
    }
}

TEST_F(RecordedSequence, AFrameCutShortIsReportedAsTruncation) {
    DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    std::string problem;
    EXPECT_EQ(decoder.decode(stored(frames[0], 0), problem), Outcome::Decoded);
    StoredFrame cut = stored(frames[1], 1);
    cut.cutShort = true;
    EXPECT_EQ(decoder.decode(cut, problem), Outcome::Corrupt);
    EXPECT_NE(problem.find("truncated file"), std::string::npos);
    EXPECT_EQ(test::packedPixels(codec), expected[0]);
}

TEST_F(RecordedSequence, AStreamWithoutLeadingKeyFrameShowsBlackUntilOne) {
    DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    std::string problem;
    EXPECT_EQ(decoder.decode(stored(frames[1], 1), problem), Outcome::NotKeyFrame);
    EXPECT_EQ(test::packedPixels(codec), std::vector<uint8_t>(expected[0].size(), 0));
    EXPECT_EQ(decoder.decode(stored(frames[2], 2), problem), Outcome::Held);
    EXPECT_EQ(decoder.decode(stored(frames[4], 4), problem), Outcome::Recovered);
    EXPECT_EQ(test::packedPixels(codec), expected[4]);
}

// A key flag on a frame that patches only a block (a wrong index entry) does
// not end the hold; a damaged key frame is reported, not silently held.
TEST_F(RecordedSequence, OnlyASoundWholeKeyFrameEndsTheHold) {
    frames[1].bytes[frames[1].bytes.size() / 2] ^= 0x01;
    frames[3].keyFrame = true;
    frames[4].bytes[frames[4].bytes.size() / 2] ^= 0x01;
    DecompressionStream codec(format, DibFormat::Rgb555, WIDTH, HEIGHT, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    const Outcome outcomes[] = {Outcome::Decoded, Outcome::Corrupt, Outcome::Held, Outcome::Held, Outcome::Corrupt};
    for (int i = 0; i < 5; ++i) {
        std::string problem;
        EXPECT_EQ(decoder.decode(stored(frames[i], i), problem), outcomes[i]) << "frame " << i;
        EXPECT_EQ(problem.find("fails its CRC check") != std::string::npos, outcomes[i] == Outcome::Corrupt);
        EXPECT_EQ(test::packedPixels(codec), expected[0]) << "frame " << i;
    }
}

TEST(UnchangedFrames, LeaveTheRenderedPictureAsItIs) {
    DibPicture picture = test::makeRandomDib(9, 5, 32, 3);
    CompressionStream encoder(picture.info.header);
    test::StoredTestFrame key = test::compressInto(encoder, picture, true);
    test::StoredTestFrame same = test::compressInto(encoder, picture, false);
    ASSERT_EQ(same.bytes.size(), 8u);
    BITMAPINFOHEADER format = encoder.compressedFormat();
    DecompressionStream codec(format, DibFormat::Bgr0, 9, 5, false);
    FrameSequenceDecoder decoder(codec, pictureFormatOf(format));
    std::string problem;
    StoredFrame frame{0, key.bytes.data(), uint32_t(key.bytes.size()), true, false};
    EXPECT_EQ(decoder.decode(frame, problem), Outcome::Decoded);
    std::vector<uint8_t> first = test::packedPixels(codec);
    frame = StoredFrame{1, same.bytes.data(), uint32_t(same.bytes.size()), false, false};
    EXPECT_EQ(decoder.decode(frame, problem), Outcome::Decoded);
    EXPECT_EQ(test::packedPixels(codec), first);
}

}  // namespace
}  // namespace drav::tool
