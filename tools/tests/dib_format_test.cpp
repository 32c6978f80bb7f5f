#include "dib_format.h"

#include <gtest/gtest.h>

namespace drav::tool {
namespace {

TEST(DibFormat, OutputHeadersSelectTheRenderersPixelFormats) {
    BITMAPINFOHEADER rgb565 = outputHeaderFor(DibFormat::Rgb565, 641, 3);
    EXPECT_EQ(rgb565.biBitCount, 16);
    EXPECT_EQ(rgb565.biCompression, DWORD(BI_BITFIELDS));  // 5-6-5 for the decompressor
    EXPECT_EQ(rgb565.biSizeImage, 1284u * 3);
    BITMAPINFOHEADER rgb555 = outputHeaderFor(DibFormat::Rgb555, 641, 3);
    EXPECT_EQ(rgb555.biCompression, DWORD(BI_RGB));
    BITMAPINFOHEADER bgr24 = outputHeaderFor(DibFormat::Bgr24, 5, 2);
    EXPECT_EQ(bgr24.biSizeImage, 16u * 2);  // 15 bytes padded to 16
    EXPECT_EQ(outputHeaderFor(DibFormat::Bgr0, 5, 2).biBitCount, 32);
}

TEST(DibFormat, NamesRoundTrip) {
    for (DibFormat format : {DibFormat::Bgr24, DibFormat::Bgr0, DibFormat::Rgb555, DibFormat::Rgb565}) {
        DibFormat parsed = DibFormat::StreamDefault;
        EXPECT_TRUE(parseDibFormat(dibFormatName(format), parsed));
        EXPECT_EQ(parsed, format);
    }
    DibFormat unused;
    EXPECT_FALSE(parseDibFormat("rgb24", unused));
}

TEST(DibFormat, DefaultDepthsFollowTheInput) {
    EXPECT_EQ(defaultInputDepth(AV_PIX_FMT_PAL8), 8u);
    EXPECT_EQ(defaultInputDepth(AV_PIX_FMT_RGB555LE), 16u);
    EXPECT_EQ(defaultInputDepth(AV_PIX_FMT_RGB555BE), 16u);
    EXPECT_EQ(defaultInputDepth(AV_PIX_FMT_RGB565LE), 32u);
    EXPECT_EQ(defaultInputDepth(AV_PIX_FMT_YUV420P), 32u);
    EXPECT_EQ(defaultOutputFormat(16), DibFormat::Rgb555);
    EXPECT_EQ(defaultOutputFormat(8), DibFormat::Bgr24);
}

}  // namespace
}  // namespace drav::tool
