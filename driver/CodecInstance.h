// The driver's per-open record: the open flags and state word, and the frame
// codec's compression and decompression streams with what the driver keeps
// beside them.
#pragma once

#include <cstdint>
#include <memory>

#include "codec/frame_codec.h"

namespace drav {

struct CodecInstance {
    uint32_t openFlags = 0;          // ICOPEN dwFlags given at open; recorded only
    uint16_t state = 0;              // ICM_GETSTATE / ICM_SETSTATE word
    uint8_t mmxEnabled = 0;          // set by each BEGIN; chooses the decompressor's scaling forms
    uint32_t maxCompressedSize = 0;  // capacity of an ICM_COMPRESS output buffer
    FrameCompressor compressor;
    // An 8-bit stream's colour table, 256 entries, allocated at its BEGIN:
    // each frame's declared entries are copied here, black after them.
    std::unique_ptr<PaletteEntry[]> inputColors;
    FrameDecompressor decompressor;
};

}  // namespace drav
