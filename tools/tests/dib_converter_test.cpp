#include "dib_converter.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "codec/frame_format.h"
#include "dib_format.h"
#include "test_pictures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

// Picture row y (top-down) of a DIB lies in its row height - 1 - y.
const uint8_t* dibRow(const DibPicture& picture, uint32_t topDownRow) {
    const BITMAPINFOHEADER& header = picture.info.header;
    size_t stride = size_t(dibStride(uint32_t(header.biWidth), header.biBitCount));
    return picture.pixels.data() + (uint32_t(header.biHeight) - 1 - topDownRow) * stride;
}

// Picture row y (top-down) as the compressor reads it: row height - 1 - y from the bottom.
const uint8_t* inputRow(const InputPicture& picture, uint32_t height, uint32_t topDownRow) {
    return picture.bottomRow + ptrdiff_t(height - 1 - topDownRow) * picture.stride;
}

const uint8_t* frameRow(const AVFrame& frame, int y) { return frame.data[0] + ptrdiff_t(y) * frame.linesize[0]; }

TEST(DibConverter, TheCodecsOwnPixelsAreReadWhereTheyLie) {
    const struct {
        AVPixelFormat format;
        unsigned depth;
    } cases[] = {{AV_PIX_FMT_BGR0, 32}, {AV_PIX_FMT_RGB555LE, 16}, {AV_PIX_FMT_PAL8, 8}};
    for (const auto& c : cases) {
        Frame frame = test::makeRandomFrame(c.format, 7, 5, 11);
        DibConverter converter(PictureFormat{7, 5, c.depth});
        ConvertedPicture converted;
        EXPECT_TRUE(converter.readsInPlace(*frame));
        const InputPicture picture = converter.convert(*frame, converted);
        for (uint32_t y = 0; y < 5; ++y) EXPECT_EQ(inputRow(picture, 5, y), frameRow(*frame, int(y))) << c.depth;
        EXPECT_TRUE(converted.pixels.empty());
        EXPECT_EQ(picture.palette, c.depth == 8 ? converted.palette : nullptr);
    }
}

TEST(DibConverter, SixteenBitsCutEachChannelToFiveBitsWithoutDithering) {
    // Odd width: rows of 16-bit pixels carry padding.
    for (AVPixelFormat source : {AV_PIX_FMT_BGR0, AV_PIX_FMT_RGB24, AV_PIX_FMT_BGRA}) {
        Frame frame = test::makeRandomFrame(source, 37, 9, 5);
        DibConverter converter(PictureFormat{37, 9, 16});
        ConvertedPicture converted;
        EXPECT_FALSE(converter.readsInPlace(*frame));
        const InputPicture picture = converter.convert(*frame, converted);
        bool threeBytes = source == AV_PIX_FMT_RGB24;
        for (uint32_t y = 0; y < 9; ++y) {
            const uint8_t* row = inputRow(picture, 9, y);
            ASSERT_GE(row, converted.pixels.data());
            ASSERT_LE(row + 37 * 2, converted.pixels.data() + converted.pixels.size());
            for (int x = 0; x < 37; ++x) {
                const uint8_t* p = frameRow(*frame, int(y)) + x * (threeBytes ? 3 : 4);
                uint8_t blue = threeBytes ? p[2] : p[0], green = p[1], red = threeBytes ? p[0] : p[2];
                uint16_t expected = uint16_t((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
                ASSERT_EQ(readU16(row + 2 * x), expected) << av_get_pix_fmt_name(source) << " at " << x << "," << y;
            }
        }
    }
}

TEST(DibConverter, PalettedInputKeepsItsColourTable) {
    Frame frame = test::makeRandomFrame(AV_PIX_FMT_PAL8, 5, 3, 9);
    DibConverter converter(PictureFormat{5, 3, 8});
    ConvertedPicture converted;
    const InputPicture picture = converter.convert(*frame, converted);
    const uint32_t* palette = reinterpret_cast<const uint32_t*>(frame->data[1]);
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& entry = picture.palette[i];
        EXPECT_EQ(entry.blue, uint8_t(palette[i]));
        EXPECT_EQ(entry.green, uint8_t(palette[i] >> 8));
        EXPECT_EQ(entry.red, uint8_t(palette[i] >> 16));
        EXPECT_EQ(entry.reserved, 0);
    }
}

TEST(DibConverter, RefusesWhatTheStreamCannotTake) {
    ConvertedPicture converted;
    Frame trueColour = test::makeRandomFrame(AV_PIX_FMT_BGR0, 8, 8, 1);
    DibConverter paletted(PictureFormat{8, 8, 8});
    EXPECT_THROW(paletted.convert(*trueColour, converted), ToolError);
    Frame larger = test::makeRandomFrame(AV_PIX_FMT_BGR0, 9, 8, 1);
    DibConverter sized(PictureFormat{8, 8, 32});
    EXPECT_THROW(sized.convert(*larger, converted), ToolError);
    EXPECT_THROW(DibConverter(PictureFormat{8, 8, 24}), ToolError);
    EXPECT_THROW(DibConverter(PictureFormat{65536, 1, 32}), ToolError);
}

TEST(OutputPictureConverter, HandsTheBottomUpDibOverTopDown) {
    DibPicture dib = test::makeRandomDib(7, 4, 24, 2);
    OutputPictureConverter same(DibFormat::Bgr24, AV_PIX_FMT_BGR24, 7, 4);
    AVFrame* frame = same.convert(bottomUpRows(dib.pixels.data(), dib.info.header), 42);
    EXPECT_EQ(frame->pts, 42);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(0, memcmp(frameRow(*frame, y), dibRow(dib, y), 21)) << "row " << y;

    OutputPictureConverter swapped(DibFormat::Bgr24, AV_PIX_FMT_RGB24, 7, 4);
    frame = swapped.convert(bottomUpRows(dib.pixels.data(), dib.info.header), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(frameRow(*frame, y)[3 * x + c], dibRow(dib, y)[3 * x + 2 - c]);
}

}  // namespace
}  // namespace drav::tool
