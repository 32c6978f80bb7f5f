// Decoded FFmpeg pictures to the bottom-up DIBs the compressor takes, and the
// decompressor's bottom-up DIBs to pictures for FFmpeg's encoders. Every pixel
// conversion is swscale's; the tool only points it at the rows bottom-up.
#pragma once

#include <cstdint>

#include "codec_streams.h"
#include "dib_format.h"
#include "ffmpeg_support.h"

namespace drav::tool {

// A same-size swscale conversion that is rebuilt only when the source format
// changes. Never dithers: 16-bit targets get each channel cut to 5 (or 6) bits.
class PixelConverter {
public:
    // Converts a whole picture; strides may be negative (bottom-up rows).
    void convert(AVPixelFormat sourceFormat, const uint8_t* const source[], const int sourceStride[],
                 AVPixelFormat targetFormat, uint8_t* const target[], const int targetStride[], int width, int height);

private:
    Scaler scaler_;
    AVPixelFormat sourceFormat_ = AV_PIX_FMT_NONE, targetFormat_ = AV_PIX_FMT_NONE;
    int width_ = 0, height_ = 0;
};

// One depth, one picture size for a whole stream.
class DibConverter {
public:
    // Throws ToolError for a depth other than 8, 16 or 32 or an unsupported size.
    DibConverter(unsigned depth, uint32_t width, uint32_t height);

    DibPicture& picture() { return picture_; }

    // Fills picture() from a decoded frame. Throws ToolError (without file or
    // frame; the caller adds them) when the frame's size differs from the
    // stream's or an 8-bit stream gets a frame without a palette.
    void convert(const AVFrame& frame);

private:
    void copyRowsBottomUp(const AVFrame& frame);
    void convertBottomUp(const AVFrame& frame, AVPixelFormat sourceFormat, PixelConverter& converter);
    void copyPalette(const AVFrame& frame);
    const AVFrame& trueColour(const AVFrame& frame);

    unsigned depth_;
    uint32_t width_, height_;
    int stride_;
    DibPicture picture_;
    PixelConverter toTarget_;
    PixelConverter toTrueColour_;
    Frame trueColour_;  // BGRX step on the way from other formats to 16 bits
};

// Wraps the decompressor's output as a picture in the encoder's pixel format.
class OutputPictureConverter {
public:
    OutputPictureConverter(DibFormat dibFormat, AVPixelFormat encoderFormat, uint32_t width, uint32_t height);

    // The picture for the encoder, valid until the next call; it refers to the
    // rows when the formats are the same.
    AVFrame* convert(const PictureRows& rows, int64_t pts);

private:
    AVPixelFormat dibFormat_, encoderFormat_;
    uint32_t width_, height_;
    Frame wrapper_;
    Frame converted_;
    PixelConverter converter_;
};

}  // namespace drav::tool
