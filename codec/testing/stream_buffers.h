// For tests: the buffers a compressor or decompressor stream holds, to check
// what begin allocates and end releases, and the decoded picture itself.
#pragma once

#include "codec/frame_codec.h"

namespace drav {

struct StreamBuffers {
    static const uint8_t* stringTable(const FrameCompressor& c) { return c.lzwWorkArea_; }
    static const uint8_t* previousPicture(const FrameCompressor& c) { return c.previousFrame_; }
    static const PaletteEntry* previousPalette(const FrameCompressor& c) { return c.previousPalette_; }

    // The bordered 24-bit work picture: picture pixel (x, y) lies at
    // workPicture + (y + 1) x stride + (x + 1) x 3.
    static const uint8_t* workPicture(const FrameDecompressor& d) { return d.workPicture_; }
    static uint32_t workPictureSize(const FrameDecompressor& d) { return d.workPictureSize_; }
    static uint32_t workPictureStride(const FrameDecompressor& d) { return d.workPictureStride_; }
    static const PaletteEntry* palette(const FrameDecompressor& d) { return d.palette_; }
};

}  // namespace drav
