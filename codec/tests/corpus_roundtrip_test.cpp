// Real screen recordings through the compressor, decompressor and renderer:
// every rendered frame equals the input (16-bit and 8-bit exactly, 32-bit cut
// to 5 bits a channel), with a key frame every 100 frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/frame_format.h"
#include "test_support.h"

namespace drav {
namespace {

using test::CorpusClip;

// One case a depth, over every clip that has it: the cases are known before the
// corpus is derived (ctest lists them first).
class CorpusRoundTrip : public ::testing::TestWithParam<unsigned> {};

// What the rendered output must hold for an input row: 16-bit input exactly,
// 32-bit input cut to 5 bits a channel with a zero fourth byte, 8-bit input as
// its palette colours.
void expectedOutputRow(const CorpusClip& clip, const uint8_t* row, uint8_t* out) {
    for (uint32_t x = 0; x < clip.width; ++x) {
        if (clip.bitCount == 16) {
            std::memcpy(out + 2 * x, row + 2 * x, 2);
        } else if (clip.bitCount == 32) {
            for (int c = 0; c < 3; ++c) out[4 * x + c] = uint8_t(row[4 * x + c] & 0xF8);
            out[4 * x + 3] = 0;
        } else {
            test::expectedWorkColor(row + x, 8, clip.palette.data(), out + 3 * x);
        }
    }
}

unsigned outputBitCount(unsigned inputBitCount) { return inputBitCount == 8 ? 24 : inputBitCount; }

void expectEveryFrameDecodesToTheInput(const std::string& name, unsigned bitCount) {
    SCOPED_TRACE(name + " at " + std::to_string(bitCount) + " bits");
    CorpusClip clip;
    ASSERT_TRUE(test::loadCorpusClip(name, bitCount, UINT32_MAX, clip));
    test::Dib frame(int32_t(clip.width), int32_t(clip.height), clip.bitCount);
    ASSERT_EQ(frame.pixels.size(), clip.frameBytes);
    if (clip.bitCount == 8) std::memcpy(frame.colors, clip.palette.data(), 1024);
    test::TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    test::TestDecoder decoder(int32_t(clip.width), int32_t(clip.height), encoder.streamDepth);
    const unsigned outputBits = outputBitCount(clip.bitCount);
    const test::OutputSpec outputHeader = test::outputSpec(clip.width, clip.height, outputBits);
    const size_t outputStride = size_t(dibRowBytes(clip.width, outputBits));
    std::vector<uint8_t> output(outputStride * clip.height), expected(outputStride);
    uint64_t compressedBytes = 0;

    for (uint32_t n = 0; n < clip.frameCount; ++n) {
        std::memcpy(frame.pixels.data(), clip.frame(n), clip.frameBytes);
        ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, n % 100 == 0)) << "frame " << n;
        compressedBytes += encoder.size();
        ASSERT_EQ(CodecStatus::Ok, decoder.decode(encoder.data(), encoder.size(), outputHeader, output.data()))
            << "frame " << n;
        const size_t rowBytes = clip.width * outputBits / 8;
        for (uint32_t y = 0; y < clip.height; ++y) {
            expectedOutputRow(clip, frame.pixel(0, y), expected.data());
            ASSERT_EQ(0, std::memcmp(expected.data(), output.data() + y * outputStride, rowBytes))
                << "frame " << n << " row " << y;
        }
    }
    ::testing::Test::RecordProperty(name + "_compression_ratio",
                                    std::to_string(double(clip.frameBytes) * clip.frameCount / compressedBytes));
}

TEST_P(CorpusRoundTrip, EveryFrameOfEveryClipDecodesToTheInput) {
    DRAV_REQUIRE_CORPUS();
    for (const std::string& name : test::corpusClipNames(GetParam()))
        ASSERT_NO_FATAL_FAILURE(expectEveryFrameDecodesToTheInput(name, GetParam()));
}

TEST(Corpus, HasRecordings) {
    DRAV_REQUIRE_CORPUS();
    EXPECT_FALSE(test::corpusClipNames(32).empty()) << "no clips.txt, or no recordings in it";
    EXPECT_EQ(test::corpusClipNames(32).size(), test::corpusClipNames(16).size());
}

INSTANTIATE_TEST_SUITE_P(Depths, CorpusRoundTrip, ::testing::Values(32u, 16u, 8u),
                         [](const auto& test) { return std::to_string(test.param) + "_bits"; });

}  // namespace
}  // namespace drav
