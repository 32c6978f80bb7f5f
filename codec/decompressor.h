// The decompressor: applies one DRAV frame to the instance's bordered 24-bit
// work picture, then has the renderer write the caller's output bitmap.
#pragma once

#include <cstdint>

#include "codec_instance.h"
#include "win_records.h"

namespace drav {

enum ScaleMode : uint8_t { SCALE_COPY = 1, SCALE_BILINEAR = 2, SCALE_HALF_SMOOTH = 4 };
enum OutputPixelFormat : uint8_t { OUT_BGR24 = 1, OUT_BGRX32 = 2, OUT_RGB555 = 3, OUT_RGB565 = 4 };

// Per-call record handed to the chunk appliers and to the renderer.
struct FrameDecodeContext {
    uint32_t sourceWidth, sourceHeight;
    uint32_t outputWidth, outputHeight;
    uint32_t outputBitCount;
    const uint8_t* data;
    uint32_t dataSize;
    uint32_t offset;
    uint8_t* output;
    uint8_t* picture;
    uint32_t pictureSize;
    uint32_t pictureStride;
    uint8_t outputFormat;  // OutputPixelFormat
    uint8_t scaleMode;     // ScaleMode
    uint8_t mmx;
    RGBQUAD* palette;
    LzwDecodeTables* tables;
};

// ICM_DECOMPRESS: ICERR_OK or ICERR_ERROR.
long decompressFrame(CodecInstance& instance, const ICDECOMPRESS& request);

// Each applies the chunk at context.offset; false on a type, reserved-byte or
// length mismatch (offset unchanged) or on corrupt contents (offset advanced).
bool applyPaletteChunk(FrameDecodeContext& context);
bool applyRawRectChunk(FrameDecodeContext& context);
bool applyCodedRectChunk(FrameDecodeContext& context);

}  // namespace drav
