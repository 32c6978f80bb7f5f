// Internals of the decompressor (FrameDecompressor): the chunk appliers that
// patch the bordered 24-bit work picture, and the record they share with the
// renderer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/frame_codec.h"
#include "codec/frame_inspector.h"

namespace drav {

enum ScaleMode : uint8_t { SCALE_COPY = 1, SCALE_BILINEAR = 2, SCALE_HALF_SMOOTH = 4 };

// Per-call record handed to the chunk appliers and to the renderer.
struct FrameDecodeContext {
    uint32_t sourceWidth, sourceHeight;
    uint32_t outputWidth, outputHeight;
    uint32_t outputBitCount;
    const uint8_t* data;  // the frame
    uint32_t dataSize;
    uint8_t* output;         // output row 0
    ptrdiff_t outputStride;  // bytes from one output row to the next; 0: the bottom-up DIB row size
    // Output rows firstRow to firstRow + rowCount - 1 are rendered; rowCount 0: every row.
    uint32_t firstRow, rowCount;
    uint8_t* picture;
    uint32_t pictureSize;
    uint32_t pictureStride;
    OutputFormat outputFormat;
    uint8_t scaleMode;  // ScaleMode
    ScalingForms forms;
    PaletteEntry* palette;
    LzwDecodeTables* tables;
};

// Each applies a chunk of its type that the FrameInspector passed for this
// frame and picture size: the header, length, palette range and rectangle are
// known good and not checked again. False on corrupt contents.
bool applyPaletteChunk(const FrameDecodeContext& context, const ChunkInfo& chunk);
bool applyRawRectChunk(const FrameDecodeContext& context, const ChunkInfo& chunk);
bool applyCodedRectChunk(const FrameDecodeContext& context, const ChunkInfo& chunk);

}  // namespace drav
