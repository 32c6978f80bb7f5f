// The codec's side of the frame format: the chunk header as read, and the
// codes of the variable-width string-table (LZW) coder whose alphabet is the
// literal pixel values plus SYMBOL_UNCHANGED.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/frame_format.h"

namespace drav {

// The 8 bytes that open every chunk. crc covers the chunk from offset 2 to its end.
struct ChunkHeader {
    uint16_t crc;
    uint8_t type;
    uint8_t reserved;
    uint32_t length;
};

// Codes of the coded bit stream.
constexpr uint16_t CODE_END = 0;
constexpr uint16_t CODE_CLEAR = 1;
constexpr uint16_t SYMBOL_UNCHANGED = 2;
constexpr uint16_t FIRST_TABLE_CODE = 4;
constexpr uint16_t CODE_LIMIT = 32767;  // one past the last string code
constexpr unsigned MIN_CODE_WIDTH = 4;
constexpr unsigned MAX_CODE_WIDTH = 15;
constexpr uint16_t LITERAL_FLAG = 0x8000;  // symbols with bit 15 set are literal pixels

// Extra bytes a frame may need beyond 3 per pixel: a full Palette chunk, a
// rectangle chunk header and the End chunk.
constexpr uint32_t FRAME_SIZE_MARGIN = FULL_PALETTE_CHUNK_SIZE + RECT_CHUNK_HEADER_SIZE + END_CHUNK_SIZE;  // 803

ChunkHeader readChunkHeader(const uint8_t* chunk);

}  // namespace drav
