#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "codec/stream_format.h"
#include "test_support.h"

namespace drav {
namespace {

using test::Dib;
using test::TestEncoder;

TEST(StreamFormat, ProposedHeaderIsTheDriversBitmapHeader) {
    const CompressedStreamFormat paletted = proposeCompressedFormat({641, 3, 8});
    EXPECT_EQ(paletted.depth, 8u);
    EXPECT_EQ(paletted.colorTableEntries, 256u);
    const CompressedStreamFormat rgb = proposeCompressedFormat({320, 200, 32});
    EXPECT_EQ(rgb.depth, 16u);
    EXPECT_EQ(rgb.colorTableEntries, 0u);
    EXPECT_EQ(rgb.maxFrameSize, 320u * 200 * 3 + 803);

    uint8_t header[BITMAP_HEADER_SIZE];
    writeCompressedStreamHeader(rgb, header);
    const uint8_t expected[BITMAP_HEADER_SIZE] = {40, 0, 0,  0, 0x40, 1,   0,   0,   200,  0,    0, 0,
                                                  1,  0, 16, 0, 'D',  'R', 'A', 'V', 0x23, 0xF1, 2, 0};
    EXPECT_TRUE(std::equal(header, header + BITMAP_HEADER_SIZE, expected));
}

TEST(StreamFormat, DepthsAndOutputOrder) {
    for (unsigned depth = 0; depth <= 64; ++depth) {
        EXPECT_EQ(isCompressorInputDepth(depth), depth == 8 || depth == 16 || depth == 32) << depth;
        EXPECT_EQ(isStreamDepth(depth), depth == 8 || depth == 16 || depth == 24) << depth;
        EXPECT_EQ(streamProblem({16, 16, depth}).empty(), isStreamDepth(depth)) << depth;
    }
    EXPECT_NE(streamProblem({65536, 1, 16}).find("65536x1"), std::string::npos);
    EXPECT_EQ(proposedOutputFormat(16), OutputFormat::Rgb555);
    EXPECT_EQ(proposedOutputFormat(16, false), OutputFormat::Bgr24);
    EXPECT_EQ(proposedOutputFormat(8), OutputFormat::Bgr24);
    for (unsigned depth : {8u, 16u, 24u}) {  // every format once
        const OutputFormat* order = outputFormatsFor(depth);
        for (OutputFormat format :
             {OutputFormat::Bgr24, OutputFormat::Bgrx32, OutputFormat::Rgb555, OutputFormat::Rgb565})
            EXPECT_EQ(std::count(order, order + OUTPUT_FORMAT_COUNT, format), 1);
    }
    EXPECT_EQ(outputPictureBytes(3, 5, OutputFormat::Bgr24), 12u * 5);
}

// Key frames of random sizes and depths tell their stream; damaged ones and
// delta frames that start elsewhere tell nothing.
TEST(StreamFormat, AKeyFrameTellsItsStream) {
    std::mt19937 random(7);
    for (int round = 0; round < 24; ++round) {
        const unsigned depths[] = {8, 16, 32}, depth = depths[round % 3];
        Dib picture(1 + random() % 90, 1 + random() % 40, depth);
        picture.fillRandom(round);
        TestEncoder encoder(picture.format);
        ASSERT_EQ(encoder.begin(), CodecStatus::Ok);
        ASSERT_EQ(encoder.compress(picture, true), CodecStatus::Ok);
        std::vector<uint8_t> frame = encoder.frame();
        PictureFormat probed;
        ASSERT_TRUE(probeKeyFrame({frame.data(), frame.size()}, probed));
        EXPECT_EQ(probed.width, picture.format.width);
        EXPECT_EQ(probed.height, picture.format.height);
        EXPECT_EQ(probed.depth, encoder.streamDepth);

        frame[frame.size() / 2] ^= 0x10;  // a CRC fails
        EXPECT_FALSE(probeKeyFrame({frame.data(), frame.size()}, probed));
        EXPECT_FALSE(probeKeyFrame({frame.data(), frame.size() / 2}, probed));
    }
    PictureFormat probed;
    EXPECT_FALSE(probeKeyFrame({nullptr, 0}, probed));
}

}  // namespace
}  // namespace drav
