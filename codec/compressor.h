// Chunk writers of the compressor (FrameCompressor): one uncompressed picture (8, 16 or 32 bits per
// pixel) in, one DRAV frame out. Key frames are decided by the caller alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/frame_codec.h"

namespace drav {

// Changed rectangle in memory-order rows; all zero means nothing changed.
struct ChangeRect {
    uint32_t x;
    uint32_t y;
    uint32_t width;
    uint32_t height;
};

// An input picture's rows: row y, counted from the bottom, starts at
// bottom + y * stride (a negative stride for rows stored top-down).
struct InputRows {
    const uint8_t* bottom;
    ptrdiff_t stride;
    const uint8_t* row(uint32_t y) const { return bottom + ptrdiff_t(y) * stride; }
};

// The rows of a bottom-up picture padded as the format's rows are.
InputRows packedRows(const PictureFormat& format, const uint8_t* picture);

// Narrows [first, last] to the entries whose blue, green or red differ;
// an empty result is first 255, last 0.
void findChangedPaletteRange(const PaletteEntry* newTable, const PaletteEntry* oldTable, uint32_t& first,
                             uint32_t& last);

// Chunk writers append one chunk at offset and advance it; false (nothing
// written) when the chunk does not fit the capacity.
bool writePaletteChunk(uint8_t* output, uint32_t capacity, uint32_t& offset, const PaletteEntry* table, uint32_t first,
                       uint32_t last);

void findChangedRect(const PictureFormat& header, InputRows picture, InputRows previous, ChangeRect& rect);

// `kept` (when given) is the compressor's own copy of the picture, packed as
// its rows are: it is brought up to date inside the rectangle, row by row as
// the rows are read (`previous` may be the same rows); when the writer
// returns false, some rows may be left behind.
bool writeCodedRectChunk(uint8_t* output, uint32_t capacity, uint32_t& offset, InputRows picture, InputRows previous,
                         uint8_t* kept, const PictureFormat& header, const ChangeRect& rect, bool keyFrame,
                         uint8_t* lzwWorkArea);

void copyRect(InputRows picture, uint8_t* previous, const PictureFormat& header, const ChangeRect& rect);

bool writeEndChunk(uint8_t* output, uint32_t capacity, uint32_t& offset);

}  // namespace drav
