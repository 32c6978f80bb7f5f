// What one compressed frame is made of, and what is wrong with it, in words:
// the codec's frame inspector (the decoder's own chunk rules) read into text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/frame_inspector.h"

namespace drav::tool {

// What the codec's frame inspector read of one chunk.
using ChunkSummary = ChunkInfo;

struct FrameInspection {
    std::vector<ChunkSummary> chunks;  // the chunks that passed every check
    bool intact = true;
    std::string problem;  // when not intact: which chunk, and what is wrong with it
    bool endChunkSeen = false;
    uint32_t trailingBytes = 0;  // after the End chunk; never read by a decoder
};

// pictureWidth and pictureHeight bound the rectangles.
FrameInspection inspectFrame(const uint8_t* data, uint32_t size, uint32_t pictureWidth, uint32_t pictureHeight);

// "Palette[0-255] CodedRect(0,0 1280x720 rgb555) End"; "(empty)" for no chunks.
std::string describeChunks(const FrameInspection& inspection);

// True when the chunks rebuild the whole picture on their own (a full
// rectangle at 0,0; for 8-bit streams also the whole palette).
bool coversWholePicture(const FrameInspection& inspection, uint32_t pictureWidth, uint32_t pictureHeight,
                        unsigned streamBitCount);

}  // namespace drav::tool
