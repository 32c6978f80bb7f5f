// Decoded FFmpeg pictures as the compressor reads them, and the
// decompressor's bottom-up DIBs as pictures for FFmpeg's encoders. Every pixel
// conversion is swscale's; the tool only points it at the rows.
#pragma once

#include <cstdint>
#include <vector>

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

// A picture as the compressor reads it when the decoded frame's own rows
// cannot be read: converted rows, allocated at the first frame that needs
// them, and the colour table of an 8-bit frame.
struct ConvertedPicture {
    std::vector<uint8_t> pixels;  // top-down rows, padded to 4 bytes
    PaletteEntry palette[PALETTE_ENTRIES]{};
};

// Decoded FFmpeg pictures as the compressor reads them, at one depth and one
// picture size. Rows of the codec's own pixels (BGR0 at 32 bits, RGB555 at
// 16, palette indices at 8) are read where the decoder put them; other
// formats are converted. One converter a thread.
class DibConverter {
public:
    // Throws ToolError for a depth other than 8, 16 or 32 or an unsupported size.
    explicit DibConverter(const PictureFormat& format);

    const PictureFormat& format() const { return format_; }

    // Where the compressor reads the frame: its own rows, or `into`'s after
    // converting them; an 8-bit frame's colour table goes into `into`. Throws
    // ToolError (without file or frame; the caller adds them) when the
    // frame's size differs from the stream's or an 8-bit stream gets a frame
    // without a palette.
    InputPicture convert(const AVFrame& frame, ConvertedPicture& into);

    // Whether convert() gives the frame's own rows, which must then stay
    // until the compressor is done with them.
    bool readsInPlace(const AVFrame& frame) const;

private:
    InputPicture convertRows(const AVFrame& frame, AVPixelFormat sourceFormat, std::vector<uint8_t>& pixels);
    const AVFrame& trueColour(const AVFrame& frame);

    PictureFormat format_;
    int stride_;
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
