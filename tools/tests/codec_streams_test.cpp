#include "codec_streams.h"

#include <gtest/gtest.h>

#include <random>

#include "codec/frame_format.h"
#include "test_pictures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

// The codec's decompressor rendering every frame in full, bottom-up.
class FullRenderDecoder {
public:
    FullRenderDecoder(const BITMAPINFOHEADER& compressed, DibFormat format, uint32_t width, uint32_t height, bool mmx)
        : pixels_(outputHeaderFor(format, width, height).biSizeImage) {
        const PictureFormat stream{uint32_t(compressed.biWidth), uint32_t(compressed.biHeight), compressed.biBitCount};
        EXPECT_EQ(codec_.begin(stream), CodecStatus::Ok);
        output_.rows = pixels_.data();
        output_.stride = ptrdiff_t(dibStride(width, dibFormatBitCount(format)));
        output_.width = width;
        output_.height = height;
        output_.format = dibFormatOutputFormat(format);
        output_.forms = mmx ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    }
    const std::vector<uint8_t>& decode(const std::vector<uint8_t>& frame) {
        EXPECT_EQ(codec_.apply(ByteSpan{frame.data(), frame.size()}), CodecStatus::Ok);
        EXPECT_EQ(codec_.render(output_), CodecStatus::Ok);
        return pixels_;
    }

private:
    FrameDecompressor codec_;
    OutputPicture output_;
    std::vector<uint8_t> pixels_;
};

// A recording of blocks that change here and there, frames that change
// nothing and, at 8 bits, frames that change only palette entries.
std::vector<std::vector<uint8_t>> recordSequence(unsigned bitCount, BITMAPINFOHEADER& compressed) {
    const uint32_t width = 45, height = 31;
    DibPicture picture = test::makeRandomDib(width, height, bitCount, bitCount);
    CompressionStream encoder(picture.info.header);
    compressed = encoder.compressedFormat();
    std::mt19937 random(bitCount);
    size_t stride = size_t(dibStride(width, bitCount));
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 12; ++i) {
        if (i % 4 == 1) {
            uint32_t x = random() % (width - 6), y = random() % (height - 5);
            for (uint32_t row = y; row < y + 5; ++row)
                for (uint32_t byte = 0; byte < 6 * bitCount / 8; ++byte)
                    picture.pixels[row * stride + x * bitCount / 8 + byte] = uint8_t(random());
        } else if (i % 4 == 2 && bitCount == 8) {
            picture.info.colors[random() % 256].rgbGreen ^= 0x40;
        }
        frames.push_back(test::compressInto(encoder, picture, i % 6 == 0).bytes);
    }
    return frames;
}

TEST(DecompressionStream, RendersExactlyWhatFullRendersOfEveryFrameShow) {
    struct Output {
        DibFormat format;
        uint32_t width, height;
        bool mmx;
    };
    const Output outputs[] = {{DibFormat::Bgr24, 45, 31, false},  {DibFormat::Bgr0, 45, 31, true},
                              {DibFormat::Rgb555, 45, 31, false}, {DibFormat::Rgb565, 45, 31, false},
                              {DibFormat::Bgr24, 22, 15, true},   {DibFormat::Rgb565, 70, 40, false}};
    for (unsigned bitCount : {8u, 16u, 32u}) {
        BITMAPINFOHEADER compressed;
        std::vector<std::vector<uint8_t>> frames = recordSequence(bitCount, compressed);
        for (const Output& output : outputs) {
            DecompressionStream stream(compressed, output.format, output.width, output.height, output.mmx);
            FullRenderDecoder reference(compressed, output.format, output.width, output.height, output.mmx);
            for (size_t i = 0; i < frames.size(); ++i) {
                // The picture shown stays as it is while the next frame is applied.
                const PictureRows before = stream.outputRows();
                const std::vector<uint8_t> shown = test::packedPixels(stream);
                ASSERT_TRUE(stream.decompress(frames[i].data(), uint32_t(frames[i].size())));
                ASSERT_EQ(test::packedPixels(before, stream.outputFormat()), shown);
                ASSERT_EQ(test::packedPixels(stream),
                          test::packedPixels(reference.decode(frames[i]), stream.outputFormat()))
                    << bitCount << "-bit stream, " << dibFormatName(output.format) << " " << output.width << "x"
                    << output.height << ", frame " << i;
            }
        }
    }
}

TEST(DecompressionStream, ARejectedFrameLeavesTheOutputAsItWas) {
    BITMAPINFOHEADER compressed;
    std::vector<std::vector<uint8_t>> frames = recordSequence(16, compressed);
    DecompressionStream stream(compressed, DibFormat::Bgr24, 45, 31, false);
    ASSERT_TRUE(stream.decompress(frames[0].data(), uint32_t(frames[0].size())));
    std::vector<uint8_t> shown = test::packedPixels(stream);
    std::vector<uint8_t> damaged = frames[1];
    damaged[damaged.size() / 2] ^= 0x20;
    EXPECT_FALSE(stream.decompress(damaged.data(), uint32_t(damaged.size())));
    EXPECT_EQ(test::packedPixels(stream), shown);
    EXPECT_TRUE(stream.decompress(nullptr, 0));  // an empty frame: the held picture again
    EXPECT_EQ(test::packedPixels(stream), shown);
}

TEST(CodecStreams, RefuseWhatTheCodecCannotCarry) {
    BITMAPINFOHEADER drav = dibHeader(64, 48, 16, FOURCC_DRAV);
    EXPECT_THROW(CompressionStream(dibHeader(65536, 2, 32)), ToolError);
    EXPECT_THROW(CompressionStream(dibHeader(40000, 40000, 32)), ToolError);  // buffers past 4 GiB
    EXPECT_THROW(DecompressionStream(dibHeader(64, 48, 16), DibFormat::Bgr24, 64, 48, false), ToolError);
    BITMAPINFOHEADER deep = drav;
    deep.biBitCount = 32;
    EXPECT_THROW(DecompressionStream(deep, DibFormat::Bgr24, 64, 48, false), ToolError);
    BITMAPINFOHEADER topDown = drav;
    topDown.biHeight = -48;
    EXPECT_THROW(DecompressionStream(topDown, DibFormat::Bgr24, 64, 48, false), ToolError);
    EXPECT_THROW(DecompressionStream(drav, DibFormat::Bgr24, 70000, 48, false), ToolError);
    EXPECT_NO_THROW(DecompressionStream(drav, DibFormat::Bgr24, 1, 1, false));
}

}  // namespace
}  // namespace drav::tool
