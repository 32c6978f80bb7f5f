// Blocks of every size, from the heap and mapped in huge pages alike: zeroed,
// writable to their last byte, aligned as the heap's are, and given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "large_block_memory.h"

namespace drav::tool {
namespace {

constexpr size_t MIB = size_t(1) << 20;

TEST(LargeBlockMemory, EverySizeIsZeroedWritableAndGivenBack) {
    for (size_t bytes : {size_t(0), size_t(1), 2 * MIB - 65, 2 * MIB - 64, 2 * MIB, 3840 * 2160 * 4 + size_t(3)}) {
        for (int round = 0; round < 2; ++round) {  // the second takes memory the first gave back
            auto* block = static_cast<uint8_t*>(allocateLargeBlockZeroed(bytes));
            ASSERT_NE(block, nullptr) << bytes;
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u) << bytes;
            EXPECT_TRUE(std::all_of(block, block + bytes, [](uint8_t byte) { return byte == 0; })) << bytes;
            std::fill(block, block + bytes, uint8_t(0xA5));
            releaseLargeBlock(block);
        }
    }
    releaseLargeBlock(nullptr);
    EXPECT_EQ(allocateLargeBlockZeroed(SIZE_MAX - 64), nullptr);
}

TEST(LargeBlockMemory, ABlockTakenAgainHoldsItsNewSize) {
    LargeBlock picture;
    picture.allocate(5 * MIB);
    std::fill(picture.data(), picture.data() + picture.size(), uint8_t(1));
    picture.allocate(3);
    EXPECT_EQ(picture.size(), 3u);
    EXPECT_EQ(picture.data()[2], 0);
    EXPECT_THROW(picture.allocate(SIZE_MAX), std::bad_alloc);
    EXPECT_EQ(picture.size(), 0u);
}

}  // namespace
}  // namespace drav::tool
