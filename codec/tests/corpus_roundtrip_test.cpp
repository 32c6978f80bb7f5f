// Real screen recordings through the compressor and decompressor: after every
// frame the decoder's picture equals the input (16-bit and 8-bit exactly,
// 32-bit cut to 5 bits a channel), with a key frame every 100 frames.
#include <gtest/gtest.h>

#include <cstring>

#include "codec/frame_format.h"
#include "test_support.h"

namespace drav {
namespace {

using test::CorpusClip;

struct ClipCase {
    const char* clip;
    unsigned bitCount;
};

void PrintTo(const ClipCase& c, std::ostream* out) { *out << c.clip << " at " << c.bitCount << " bits"; }

class CorpusRoundTrip : public ::testing::TestWithParam<ClipCase> {};

void expectedRow(const CorpusClip& clip, const uint8_t* row, uint8_t* bgr) {
    for (uint32_t x = 0; x < clip.width; ++x)
        test::expectedWorkColor(row + x * clip.bitCount / 8, clip.bitCount, clip.palette.data(), bgr + 3 * x);
}

TEST_P(CorpusRoundTrip, EveryFrameDecodesToTheInput) {
    DRAV_REQUIRE_CORPUS();
    CorpusClip clip;
    ASSERT_TRUE(test::loadCorpusClip(GetParam().clip, GetParam().bitCount, 120, clip));
    test::Dib frame(int32_t(clip.width), int32_t(clip.height), clip.bitCount);
    ASSERT_EQ(frame.pixels.size(), clip.frameBytes);
    if (clip.bitCount == 8) std::memcpy(frame.info.colors, clip.palette.data(), 1024);
    test::TestEncoder encoder(frame.header());
    ASSERT_EQ(ICERR_OK, encoder.begin());
    test::TestDecoder decoder(int32_t(clip.width), int32_t(clip.height), encoder.compressedHeader.biBitCount);
    std::vector<uint8_t> expected(clip.width * 3);
    uint64_t compressedBytes = 0;

    for (uint32_t n = 0; n < clip.frameCount; ++n) {
        std::memcpy(frame.pixels.data(), clip.frame(n), clip.frameBytes);
        ASSERT_EQ(ICERR_OK, encoder.compress(frame, n % 100 == 0)) << "frame " << n;
        compressedBytes += encoder.size();
        ASSERT_EQ(ICERR_OK, decoder.decode(encoder.data(), encoder.size(), test::makeBitmapHeader(1, 1, 24), nullptr,
                                           ICDECOMPRESS_PREROLL))
            << "frame " << n;
        for (uint32_t y = 0; y < clip.height; ++y) {
            expectedRow(clip, frame.pixel(0, y), expected.data());
            ASSERT_EQ(0, std::memcmp(expected.data(), decoder.workPixel(0, y), expected.size()))
                << "frame " << n << " row " << y;
        }
    }
    RecordProperty("compression_ratio", std::to_string(double(clip.frameBytes) * clip.frameCount / compressedBytes));
}

INSTANTIATE_TEST_SUITE_P(Clips, CorpusRoundTrip,
                         ::testing::Values(ClipCase{"term720", 32}, ClipCase{"term720", 16}, ClipCase{"term720", 8},
                                           ClipCase{"scroll720", 32}, ClipCase{"scroll720", 16},
                                           ClipCase{"scroll720", 8}),
                         [](const auto& test) {
                             return std::string(test.param.clip) + "_" + std::to_string(test.param.bitCount);
                         });

}  // namespace
}  // namespace drav
