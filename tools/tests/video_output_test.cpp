#include "video_output.h"

#include "encoder_choice.h"

#include <gtest/gtest.h>

#include "test_pictures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

const AVOutputFormat& muxer(const char* name) { return *av_guess_format(name, nullptr, nullptr); }

// Every container gets a lossless encoder it takes, asked of the muxer:
// Matroska takes uncompressed video but not RGB, MP4 and WebM take neither
// uncompressed video nor FFV1.
TEST(VideoOutput, DefaultEncodersAreLosslessOnesTheContainerTakes) {
    struct Case {
        const char *container, *path, *encoder;
    };
    for (Case c :
         {Case{"image2", "out%05d.png", "png"}, Case{"image2", "out%05d.bmp", "bmp"},
          Case{"avi", "out.avi", "rawvideo"}, Case{"nut", "out.nut", "rawvideo"}, Case{"rawvideo", "-", "rawvideo"},
          Case{"mov", "out.mov", "rawvideo"}, Case{"matroska", "out.mkv", "ffv1"}, Case{"mp4", "out.mp4", "libx264rgb"},
          Case{"flv", "out.flv", "libx264rgb"}, Case{"webm", "out.webm", "libvpx-vp9"}}) {
        for (DibFormat format : {DibFormat::Rgb555, DibFormat::Bgr24, DibFormat::Bgr0}) {
            CodecContext encoder = openEncoderFor(muxer(c.container), OutputSpec{c.path, "", "", format, 66, 48});
            EXPECT_STREQ(encoder->codec->name, c.encoder) << c.container << ", " << dibFormatName(format);
        }
    }
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

// Written without the rawvideo encoder, raw frames are still its packets:
// top-down rows without padding, however the rows lie in memory (bottom-up
// or top-down, with or without padding), also when a picture is larger than
// one write to a file may be (256 KiB).
TEST(VideoOutput, RawFramesAreTopDownRowsWithoutPadding) {
    struct Case {
        DibFormat format;
        uint32_t width, height;
    };
    for (Case c : {Case{DibFormat::Rgb555, 7, 5}, Case{DibFormat::Bgr24, 7, 5}, Case{DibFormat::Bgr0, 7, 5},
                   Case{DibFormat::Bgr24, 401, 301}}) {
        BITMAPINFOHEADER header = outputHeaderFor(c.format, c.width, c.height);
        DibPicture dib = test::makeRandomDib(c.width, c.height, header.biBitCount, c.width);
        std::vector<uint8_t> packed = test::packedPixels(dib.pixels, header);
        int dibStride = int(header.biSizeImage / c.height), rowBytes = int(packed.size() / c.height);
        const PictureRows layouts[] = {bottomUpRows(dib.pixels.data(), header),
                                       PictureRows{dib.pixels.data(), dibStride}, PictureRows{packed.data(), rowBytes}};
        test::ScratchFile file("raw");
        std::vector<uint8_t> expected;
        VideoOutput output(OutputSpec{file.path, "rawvideo", "", c.format, c.width, c.height, {10, 1}});
        for (int i = 0; i < 3; ++i) {
            output.write(layouts[i], i);
            std::vector<uint8_t> picture = test::packedPixels(layouts[i], header);
            expected.insert(expected.end(), picture.begin(), picture.end());
        }
        output.finish();
        EXPECT_EQ(test::readFileBytes(file.path), expected)
            << dibFormatName(c.format) << " " << c.width << "x" << c.height;
    }
}

TEST(VideoOutput, AFailedRawWriteIsReported) {
    DibPicture dib = test::makeRandomDib(300, 300, 32, 1);
    VideoOutput output(OutputSpec{"/dev/full", "rawvideo", "", DibFormat::Bgr0, 300, 300, {10, 1}});
    EXPECT_THROW(
        {
            output.write(bottomUpRows(dib.pixels.data(), dib.info.header), 0);
            output.finish();
        },
        ToolError);
}

}  // namespace
}  // namespace drav::tool
