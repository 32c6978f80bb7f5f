// The driver's per-open record. The frame codec keeps all of its state here:
// the compression buffers (string table, previous input frame and palette) and
// the decompression buffers (bordered 24-bit work picture, decode palette).
#pragma once

#include <cstdint>

#include "win_records.h"

namespace drav {

struct LzwDecodeTables;

struct CodecInstance {
    uint32_t openFlags;  // ICOPEN dwFlags given at open; recorded only
    uint16_t state;      // ICM_GETSTATE / ICM_SETSTATE word
    uint8_t mmxEnabled;  // set by each BEGIN; read by the decompressor
    uint8_t* workPicture;
    uint32_t workPictureSize;
    uint32_t workPictureStride;
    RGBQUAD* decodePalette;  // 256 entries
    uint8_t* lzwWorkArea;    // LZW_WORK_AREA_SIZE bytes
    uint8_t* previousFrame;
    uint32_t previousFrameSize;
    RGBQUAD* previousPalette;  // 256 entries
    uint32_t maxCompressedSize;
    // The decoder's string table and symbol history, allocated with the work
    // picture so that no frame allocates and instances never share them.
    LzwDecodeTables* decodeTables;
};

}  // namespace drav
