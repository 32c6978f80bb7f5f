// Where a rectangle chunk writes in the bordered 24-bit work picture, checked
// against the picture so that no chunk can write outside it.
#pragma once

#include <cstdint>

#include "decompressor.h"
#include "frame_format.h"

namespace drav {

struct RectGeometry {
    uint32_t x, y, width, height;
    uint8_t pixelFormat;
};

inline RectGeometry readRectGeometry(const uint8_t* chunk) {
    return RectGeometry{readU16(chunk + RECT_X_OFFSET), readU16(chunk + RECT_Y_OFFSET),
                        readU16(chunk + RECT_WIDTH_OFFSET), readU16(chunk + RECT_HEIGHT_OFFSET),
                        chunk[RECT_PIXEL_FORMAT_OFFSET]};
}

inline bool rectInsidePicture(const RectGeometry& rect, const FrameDecodeContext& context) {
    return rect.x + rect.width <= context.sourceWidth && rect.y + rect.height <= context.sourceHeight;
}

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

// Checks shared by the chunk appliers: the type, the reserved byte, and that
// the chunk lies inside the frame. On success the chunk is consumed.
inline bool consumeChunk(FrameDecodeContext& context, ChunkType type, uint32_t minimumLength, const uint8_t*& chunk,
                         uint32_t& length) {
    if (context.offset > context.dataSize || context.dataSize - context.offset < CHUNK_HEADER_SIZE) return false;
    chunk = context.data + context.offset;
    length = readU32(chunk + 4);
    if (chunk[2] != uint8_t(type) || chunk[3] != 0 || length > context.dataSize - context.offset) return false;
    context.offset += length;
    return length >= minimumLength;
}

}  // namespace drav
