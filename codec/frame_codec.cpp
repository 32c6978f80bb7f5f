#include "codec/frame_codec.h"

#include "codec/codec_stream.h"
#include "codec/frame_coding.h"

namespace drav {

bool isPictureSizeSupported(int64_t width, int64_t height) {
    if (width < 1 || width > MAX_PICTURE_DIMENSION || height < 1 || height > MAX_PICTURE_DIMENSION) return false;
    const uint64_t w = uint64_t(width), h = uint64_t(height);
    const uint64_t workStride = workPictureStrideFor(uint32_t(w));
    return w * h * 3 + FRAME_SIZE_MARGIN <= UINT32_MAX && workStride * (h + 4) <= UINT32_MAX &&
           pictureRowBytes(uint32_t(w), 32) * h <= UINT32_MAX;
}

uint64_t pictureRowBytes(uint32_t width, unsigned depth) { return dibRowBytes(width, depth); }

uint32_t worstCaseFrameSize(uint32_t width, uint32_t height) { return width * height * 3u + FRAME_SIZE_MARGIN; }

unsigned compressedDepthFor(unsigned inputDepth) { return inputDepth == 8 ? 8 : 16; }

unsigned outputBitCount(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bgr24: return 24;
        case OutputFormat::Bgrx32: return 32;
        case OutputFormat::Rgb555:
        case OutputFormat::Rgb565: return 16;
    }
    return 0;
}

uint32_t outputRowBytes(uint32_t width, OutputFormat format) {
    return (width * (outputBitCount(format) / 8) + 3) & ~3u;
}

}  // namespace drav
