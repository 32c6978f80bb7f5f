#include "codec/frame_coding.h"

#include <array>

namespace drav {
namespace {

// tables[k][x]: the register after byte x entered it and k further zero bytes
// followed, so eight bytes are folded in with eight independent look-ups.
using CrcTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr CrcTables makeCrcTables() {
    CrcTables tables{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit) crc = uint16_t((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        tables[0][i] = crc;
    }
    for (unsigned k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const uint16_t previous = tables[k - 1][i];
            tables[k][i] = uint16_t((previous << 8) ^ tables[0][previous >> 8]);
        }
    return tables;
}

constexpr CrcTables crcTables = makeCrcTables();

}  // namespace

uint16_t chunkCrc16(const uint8_t* bytes, size_t count, uint16_t crc) {
    const auto& t = crcTables;
    for (; count >= 8; count -= 8, bytes += 8) {
        crc = uint16_t(t[7][(crc >> 8) ^ bytes[0]] ^ t[6][(crc & 0xFF) ^ bytes[1]] ^ t[5][bytes[2]] ^ t[4][bytes[3]] ^
                       t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]]);
    }
    for (; count > 0; --count, ++bytes) crc = uint16_t(t[0][(crc >> 8) ^ *bytes] ^ (crc << 8));
    return crc;
}

ChunkHeader readChunkHeader(const uint8_t* chunk) {
    return ChunkHeader{readU16(chunk), chunk[2], chunk[3], readU32(chunk + 4)};
}

void sealChunk(uint8_t* chunk, uint32_t length) { writeU16(chunk, chunkCrc16(chunk + 2, length - 2, 0)); }

}  // namespace drav
