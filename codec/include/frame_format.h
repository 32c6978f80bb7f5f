// The compressed frame format of FOURCC DRAV: a frame is a chain of
// CRC-checked chunks (End, Palette, RawRect, CodedRect), all little-endian and
// unaligned. These are the format's facts that readers and writers of
// containers and the frame inspector's users need; how the codec codes
// rectangles stays inside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drav {

constexpr uint32_t FOURCC_DRAV = 0x56415244;  // "DRAV"

enum class ChunkType : uint8_t { End = 0, Palette = 1, RawRect = 2, CodedRect = 3 };

// Every chunk opens with 8 bytes: CRC-16 (covering the chunk from offset 2 to
// its end), type, reserved byte, length of the whole chunk.
constexpr uint32_t CHUNK_HEADER_SIZE = 8;
constexpr uint32_t PALETTE_CHUNK_BASE_SIZE = 10;  // + 3 bytes per entry
constexpr uint32_t RECT_CHUNK_HEADER_SIZE = 17;
constexpr uint32_t END_CHUNK_SIZE = 8;
constexpr uint32_t FULL_PALETTE_CHUNK_SIZE = PALETTE_CHUNK_BASE_SIZE + 3 * 256;  // 778

// Offsets inside a rectangle chunk (RawRect and CodedRect).
constexpr uint32_t RECT_WIDTH_OFFSET = 8;
constexpr uint32_t RECT_HEIGHT_OFFSET = 10;
constexpr uint32_t RECT_PIXEL_FORMAT_OFFSET = 12;
constexpr uint32_t RECT_Y_OFFSET = 13;
constexpr uint32_t RECT_X_OFFSET = 15;

// A rectangle's pixel format byte: palette indices, or RGB555.
constexpr uint8_t PIXEL_FORMAT_PALETTE = 8;
constexpr uint8_t PIXEL_FORMAT_RGB555 = 15;

// Little-endian fields at any alignment.
inline uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void writeU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// CRC-16/XMODEM (polynomial 0x1021, initial value as given, not reflected):
// a chunk's crc field is this over its bytes from offset 2 on, from 0.
uint16_t chunkCrc16(const uint8_t* bytes, size_t count, uint16_t crc);
// Fills the crc field of a finished chunk of `length` bytes (at least 2).
void sealChunk(uint8_t* chunk, uint32_t length);

// Bytes per row of a bottom-up DIB: rows padded to 4 bytes. 64-bit so that
// hostile headers cannot wrap.
inline uint64_t dibRowBytes(int64_t width, unsigned bitCount) {
    return uint64_t((width * int64_t(bitCount) + 31) / 32) * 4;
}

}  // namespace drav
