#include <gtest/gtest.h>

#include <cstring>

#include "codec/frame_coding.h"

namespace drav {
namespace {

TEST(ChunkCrc16, MatchesTheXmodemCheckValue) {
    const char* digits = "123456789";
    EXPECT_EQ(0x31C3, chunkCrc16(reinterpret_cast<const uint8_t*>(digits), 9, 0));
}

TEST(ChunkCrc16, EndChunkSealsToTheKnownBytes) {
    uint8_t chunk[8] = {0, 0, 0, 0, 8, 0, 0, 0};
    sealChunk(chunk, 8);
    const uint8_t expected[8] = {0xC3, 0x85, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(expected, chunk, 8));
}

// The eight-bytes-at-a-time form against the bit-by-bit definition, at every
// length and alignment around the block size, with a running crc.
TEST(ChunkCrc16, MatchesTheBitwiseDefinition) {
    auto bitwise = [](const uint8_t* bytes, size_t count, uint16_t crc) {
        for (size_t i = 0; i < count; ++i) {
            crc ^= uint16_t(bytes[i] << 8);
            for (int bit = 0; bit < 8; ++bit) crc = uint16_t((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        return crc;
    };
    uint8_t data[80];
    for (size_t i = 0; i < sizeof data; ++i) data[i] = uint8_t(i * 37 + 11);
    for (size_t start = 0; start < 9; ++start)
        for (size_t count = 0; start + count <= sizeof data; ++count)
            ASSERT_EQ(bitwise(data + start, count, 0x1D0F), chunkCrc16(data + start, count, 0x1D0F))
                << start << "+" << count;
}

}  // namespace
}  // namespace drav
