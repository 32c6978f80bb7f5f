#include <gtest/gtest.h>

#include <cstring>

#include "codec/frame_format.h"

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

}  // namespace
}  // namespace drav
