#include "video_output.h"

#include <gtest/gtest.h>

namespace drav::tool {
namespace {

const AVOutputFormat& muxer(const char* name) { return *av_guess_format(name, nullptr, nullptr); }

TEST(VideoOutput, DefaultEncodersAreLossless) {
    EXPECT_EQ(defaultEncoderName(muxer("image2"), "out%05d.png"), "png");
    EXPECT_EQ(defaultEncoderName(muxer("image2"), "out%05d.bmp"), "bmp");
    EXPECT_EQ(defaultEncoderName(muxer("avi"), "out.avi"), "rawvideo");
    EXPECT_EQ(defaultEncoderName(muxer("nut"), "out.nut"), "rawvideo");
    EXPECT_EQ(defaultEncoderName(muxer("rawvideo"), "-"), "rawvideo");
    EXPECT_EQ(defaultEncoderName(muxer("webm"), "out.webm"), "ffv1");  // no uncompressed video in WebM
}

TEST(VideoOutput, EncodersGetTheDibsOwnPixelsWhenTheyTakeThem) {
    const AVCodec& raw = *avcodec_find_encoder_by_name("rawvideo");
    const AVCodec& png = *avcodec_find_encoder_by_name("png");
    EXPECT_EQ(encoderPixelFormatFor(raw, muxer("nut"), AV_PIX_FMT_RGB565LE), AV_PIX_FMT_RGB565LE);
    EXPECT_EQ(encoderPixelFormatFor(raw, muxer("avi"), AV_PIX_FMT_RGB555LE), AV_PIX_FMT_RGB555LE);
    EXPECT_EQ(encoderPixelFormatFor(raw, muxer("avi"), AV_PIX_FMT_BGR0), AV_PIX_FMT_BGR24);
    EXPECT_EQ(encoderPixelFormatFor(raw, muxer("avi"), AV_PIX_FMT_RGB565LE), AV_PIX_FMT_BGR24);
    EXPECT_EQ(encoderPixelFormatFor(png, muxer("image2"), AV_PIX_FMT_BGR24), AV_PIX_FMT_RGB24);
}

}  // namespace
}  // namespace drav::tool
