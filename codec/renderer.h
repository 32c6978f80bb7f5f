// The output renderer: writes the work picture into the caller's bottom-up
// output bitmap at the output's size and pixel format. Same size is a copy,
// exact half size in the smoothed-half forms a 3x3 smoothing filter, anything
// else bilinear (8-bit weights, or 4-bit weights in the smoothed-half forms).
#pragma once

#include "codec/decompressor.h"

namespace drav {

// Bytes per output row: ((outputWidth x bytes per pixel) + 3) AND NOT 3.
uint32_t outputRowBytes(uint32_t outputWidth, uint32_t outputBitCount);

// The fastest form the processor offers; equal bit for bit to the reference.
// False, having written nothing, when the context is one planRender refuses.
bool renderOutput(const FrameDecodeContext& context);

// Plain scalar forms of every formula, kept as the reference that the
// optimised forms are checked against.
void renderOutputReference(const FrameDecodeContext& context);

}  // namespace drav
