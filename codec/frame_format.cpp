#include "frame_format.h"

#include <array>

namespace drav {
namespace {

constexpr std::array<uint16_t, 256> makeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit) crc = uint16_t((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint16_t, 256> crcTable = makeCrcTable();

}  // namespace

uint16_t chunkCrc16(const uint8_t* bytes, size_t count, uint16_t crc) {
    for (size_t i = 0; i < count; ++i) crc = uint16_t(crcTable[(crc >> 8) ^ bytes[i]] ^ (crc << 8));
    return crc;
}

ChunkHeader readChunkHeader(const uint8_t* chunk) {
    return ChunkHeader{readU16(chunk), chunk[2], chunk[3], readU32(chunk + 4)};
}

void sealChunk(uint8_t* chunk, uint32_t length) {
    writeU16(chunk, chunkCrc16(chunk + 2, length - 2, 0));
}

void describeCompressedStream(const BITMAPINFOHEADER& input, BITMAPINFOHEADER& compressed) {
    compressed = BITMAPINFOHEADER{};
    compressed.biSize = sizeof(BITMAPINFOHEADER);
    compressed.biWidth = input.biWidth;
    compressed.biHeight = input.biHeight;
    compressed.biPlanes = 1;
    compressed.biBitCount = input.biBitCount == 8 ? 8 : 16;
    compressed.biCompression = FOURCC_DRAV;
}

}  // namespace drav
