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

// Picture row y (top-down) lies in DIB row height - 1 - y.
const uint8_t* dibRow(const DibPicture& picture, uint32_t topDownRow) {
    const BITMAPINFOHEADER& header = picture.info.header;
    size_t stride = size_t(dibStride(uint32_t(header.biWidth), header.biBitCount));
    return picture.pixels.data() + (uint32_t(header.biHeight) - 1 - topDownRow) * stride;
}

const uint8_t* frameRow(const AVFrame& frame, int y) { return frame.data[0] + ptrdiff_t(y) * frame.linesize[0]; }

TEST(DibConverter, TrueColourRowsGoBottomUpUnchanged) {
    Frame frame = test::makeRandomFrame(AV_PIX_FMT_BGR0, 7, 5, 11);
    DibConverter converter(32, 7, 5);
    converter.convert(*frame);
    const DibPicture& picture = converter.picture();
    EXPECT_EQ(picture.info.header.biBitCount, 32);
    EXPECT_EQ(picture.info.header.biCompression, DWORD(BI_RGB));
    for (int y = 0; y < 5; ++y) EXPECT_EQ(0, memcmp(dibRow(picture, y), frameRow(*frame, y), 7 * 4)) << "row " << y;
}

TEST(DibConverter, SixteenBitsCutEachChannelToFiveBitsWithoutDithering) {
    // Odd width: DIB rows of 16-bit pixels carry padding.
    for (AVPixelFormat source : {AV_PIX_FMT_BGR0, AV_PIX_FMT_RGB24, AV_PIX_FMT_BGRA}) {
        Frame frame = test::makeRandomFrame(source, 37, 9, 5);
        DibConverter converter(16, 37, 9);
        converter.convert(*frame);
        bool threeBytes = source == AV_PIX_FMT_RGB24;
        for (int y = 0; y < 9; ++y) {
            const uint8_t* row = dibRow(converter.picture(), y);
            for (int x = 0; x < 37; ++x) {
                const uint8_t* p = frameRow(*frame, y) + x * (threeBytes ? 3 : 4);
                uint8_t blue = threeBytes ? p[2] : p[0], green = p[1], red = threeBytes ? p[0] : p[2];
                uint16_t expected = uint16_t((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
                ASSERT_EQ(readU16(row + 2 * x), expected) << av_get_pix_fmt_name(source) << " at " << x << "," << y;
            }
        }
    }
}

TEST(DibConverter, Rgb555InputIsTakenAsItIs) {
    Frame frame = test::makeRandomFrame(AV_PIX_FMT_RGB555LE, 6, 4, 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) frame->data[0][y * frame->linesize[0] + 2 * x + 1] &= 0x7F;
    DibConverter converter(16, 6, 4);
    converter.convert(*frame);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(0, memcmp(dibRow(converter.picture(), y), frameRow(*frame, y), 12));
}

TEST(DibConverter, PalettedInputKeepsIndicesAndColourTable) {
    Frame frame = test::makeRandomFrame(AV_PIX_FMT_PAL8, 5, 3, 9);
    DibConverter converter(8, 5, 3);
    converter.convert(*frame);
    const DibPicture& picture = converter.picture();
    for (int y = 0; y < 3; ++y) EXPECT_EQ(0, memcmp(dibRow(picture, y), frameRow(*frame, y), 5));
    const uint32_t* palette = reinterpret_cast<const uint32_t*>(frame->data[1]);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& entry = picture.info.colors[i];
        EXPECT_EQ(entry.rgbBlue, uint8_t(palette[i]));
        EXPECT_EQ(entry.rgbGreen, uint8_t(palette[i] >> 8));
        EXPECT_EQ(entry.rgbRed, uint8_t(palette[i] >> 16));
        EXPECT_EQ(entry.rgbReserved, 0);
    }
}

TEST(DibConverter, RefusesWhatTheStreamCannotTake) {
    Frame trueColour = test::makeRandomFrame(AV_PIX_FMT_BGR0, 8, 8, 1);
    DibConverter paletted(8, 8, 8);
    EXPECT_THROW(paletted.convert(*trueColour), ToolError);
    Frame larger = test::makeRandomFrame(AV_PIX_FMT_BGR0, 9, 8, 1);
    DibConverter sized(32, 8, 8);
    EXPECT_THROW(sized.convert(*larger), ToolError);
    EXPECT_THROW(DibConverter(24, 8, 8), ToolError);
    EXPECT_THROW(DibConverter(32, 65536, 1), ToolError);
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
