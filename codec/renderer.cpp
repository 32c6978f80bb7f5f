#include "renderer.h"

namespace drav {

uint32_t outputRowBytes(uint32_t outputWidth, uint32_t outputBitCount) {
    return (outputWidth * (outputBitCount / 8) + 3) & ~3u;
}

// Placeholder until the renderer lands.
void renderOutputReference(const FrameDecodeContext&) {}
void renderOutput(const FrameDecodeContext& context) { renderOutputReference(context); }

}  // namespace drav
