// Where a rectangle chunk writes in the bordered 24-bit work picture, and the
// pixel stores. The FrameInspector has checked the rectangle against the picture.
#pragma once

#include <cstdint>

#include "codec/decompressor.h"
#include "codec/frame_coding.h"

namespace drav {

// Byte offset of picture pixel (x, y): the picture sits inside a one-pixel black border.
inline uint8_t* workPixel(const FrameDecodeContext& context, uint32_t x, uint32_t y) {
    return context.picture + size_t(y + 1) * context.pictureStride + size_t(x + 1) * 3;
}

inline void storeRgb555(uint8_t* pixel, uint32_t value) {
    pixel[0] = uint8_t((value & 0x1F) << 3);
    pixel[1] = uint8_t(((value >> 5) & 0x1F) << 3);
    pixel[2] = uint8_t(((value >> 10) & 0x1F) << 3);
}

inline void storePaletteEntry(uint8_t* pixel, const PaletteEntry& entry) {
    pixel[0] = entry.blue;
    pixel[1] = entry.green;
    pixel[2] = entry.red;
}

}  // namespace drav
