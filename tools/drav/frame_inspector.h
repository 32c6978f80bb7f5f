// Walks the chunks of one compressed frame without decoding it: what the frame
// is made of, and whether every chunk is whole and passes its CRC check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/frame_format.h"

namespace drav::tool {

struct ChunkSummary {
    ChunkType type = ChunkType::End;
    uint32_t offset = 0, length = 0;
    uint8_t firstIndex = 0, lastIndex = 0;         // Palette
    uint16_t x = 0, y = 0, width = 0, height = 0;  // RawRect, CodedRect
    uint8_t pixelFormat = 0;                       // RawRect, CodedRect
};

struct FrameInspection {
    std::vector<ChunkSummary> chunks;  // the chunks that passed every check
    bool intact = true;
    std::string problem;  // when not intact: which chunk, and what is wrong with it
    bool endChunkSeen = false;
    uint32_t trailingBytes = 0;  // after the End chunk; never read by a decoder
};

enum class CrcCheck { Verify, Skip };

// pictureWidth and pictureHeight bound the rectangles. Skip the CRC checks
// only where the decompressor checks the same frame anyway.
FrameInspection inspectFrame(const uint8_t* data, uint32_t size, uint32_t pictureWidth, uint32_t pictureHeight,
                             CrcCheck crcCheck = CrcCheck::Verify);

// "Palette[0-255] CodedRect(0,0 1280x720 rgb555) End"; "(empty)" for no chunks.
std::string describeChunks(const FrameInspection& inspection);

// True for a rectangle chunk whose pixels reach the picture.
bool changesPixels(const ChunkSummary& chunk);

// True when the chunks rebuild the whole picture on their own (a full
// rectangle at 0,0; for 8-bit streams also the whole palette).
bool coversWholePicture(const FrameInspection& inspection, uint32_t pictureWidth, uint32_t pictureHeight,
                        unsigned streamBitCount);

}  // namespace drav::tool
