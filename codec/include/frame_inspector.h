// The chunk rules of a compressed frame in one place: walks a frame chunk by
// chunk and checks each one (whole, CRC, type, reserved byte, minimum length,
// palette entries, rectangle inside the picture, raw pixels present) without
// decoding pixels. The decoder applies only the chunks it passes; tools read
// the same results to describe frames. Nothing is allocated.
#pragma once

#include <cstdint>

#include "frame_format.h"

namespace drav {

enum class ChunkFault : uint8_t {
    None,
    HeaderCutShort,      // fewer than 8 bytes left for the header
    UnknownType,         // type above 3
    BeyondFrame,         // length reaches past the frame's end
    TooShort,            // length below the minimum of its type
    CrcMismatch,         // stored and computed CRC differ
    ReservedSet,         // reserved byte of a Palette or rectangle chunk not 0
    PaletteCutShort,     // fewer colour triples than first..last needs
    BadPixelFormat,      // CodedRect whose pixel format is neither 8 nor 15
    RectOutsidePicture,  // rectangle not inside the picture (or an empty RawRect)
    RawPixelsCutShort,   // RawRect with fewer pixel bytes than its rectangle needs
};

// What a chunk's header and fixed fields say. Fields of other types stay 0.
struct ChunkInfo {
    uint32_t offset = 0;              // in the frame
    uint32_t available = 0;           // bytes of the frame from offset on
    ChunkType type = ChunkType::End;  // any value the byte holds
    uint8_t reserved = 0;
    uint32_t length = 0;
    uint16_t storedCrc = 0, computedCrc = 0;
    uint8_t firstIndex = 0, lastIndex = 0;         // Palette
    uint16_t x = 0, y = 0, width = 0, height = 0;  // RawRect, CodedRect
    uint8_t pixelFormat = 0;                       // RawRect, CodedRect
};

// Minimum length of a chunk of its type: 8 (End), 10 (Palette), else 17.
uint32_t minimumChunkLength(ChunkType type);

// True for a rectangle chunk whose pixels reach the picture: a known pixel
// format and a rectangle of at least one pixel.
bool changesPixels(const ChunkInfo& chunk);

class FrameInspector {
public:
    // Reads `size` bytes at `frame` (none when frame is null) for a picture
    // of the given size; reads nothing until next.
    FrameInspector(const uint8_t* frame, uint32_t size, uint32_t pictureWidth, uint32_t pictureHeight)
        : frame_(frame), size_(frame ? size : 0), pictureWidth_(pictureWidth), pictureHeight_(pictureHeight) {}

    // The next chunk, checked. False at the end of the frame (after the End
    // chunk, or when no bytes are left) or on a faulty chunk: fault() says
    // which, and chunk holds what could be read of it. Once false, false
    // again.
    bool next(ChunkInfo& chunk);

    // The fault that stopped next; None at a sound end.
    ChunkFault fault() const { return fault_; }
    // Whether next passed an End chunk.
    bool endChunkSeen() const { return endChunkSeen_; }
    // Chunks next returned as passed.
    uint32_t chunksPassed() const { return chunksPassed_; }
    // Offset of the next chunk: after the End chunk, the bytes left are trailing.
    uint32_t offset() const { return offset_; }

private:
    ChunkFault check(ChunkInfo& chunk) const;

    const uint8_t* frame_;
    uint32_t size_;
    uint32_t pictureWidth_, pictureHeight_;
    uint32_t offset_ = 0;
    uint32_t chunksPassed_ = 0;
    ChunkFault fault_ = ChunkFault::None;
    bool endChunkSeen_ = false;
};

}  // namespace drav
