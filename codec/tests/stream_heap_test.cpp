// The streams allocate only in begin, and every allocation that fails there
// is a clean OutOfMemory: the stream is not running, a later begin works, and
// nothing leaks (LeakSanitizer checks at exit). The memory a program names
// gives every block and takes every one back.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "codec/stream_heap.h"
#include "codec/stream_memory.h"
#include "codec/testing/allocation_gate.h"
#include "test_support.h"

namespace drav {
namespace {

using test::Dib;
using test::TestEncoder;

// Counts allocations; refuses the one numbered `failing` (from 0), if any.
std::atomic<int> allocations{0};
std::atomic<int> failing{-1};

bool countingGate(size_t) { return allocations++ != failing; }

struct GateInstalled {
    explicit GateInstalled(int failAt) {
        allocations = 0;
        failing = failAt;
        setAllocationGate(countingGate);
    }
    ~GateInstalled() { setAllocationGate(nullptr); }
};

// A stream's life: begin, a key frame, a delta frame, decoded and rendered.
// Returns the status of the first begin that failed, or Ok.
CodecStatus runStream(unsigned depth) {
    Dib picture(19, 7, depth);
    picture.fillRandom(depth, depth == 16 ? 0x7F : 0xFF);
    TestEncoder encoder(picture.format);
    if (CodecStatus status = encoder.begin(); status != CodecStatus::Ok) {
        EXPECT_FALSE(encoder.codec.running());
        return status;
    }
    FrameDecompressor decoder;
    if (CodecStatus status = decoder.begin(PictureFormat{19, 7, encoder.streamDepth}); status != CodecStatus::Ok) {
        EXPECT_FALSE(decoder.running());
        return status;
    }
    const int allocatedByBegin = allocations;
    std::vector<uint8_t> output(19 * 7 * 4);
    OutputPicture rendered{output.data(), 19 * 4, 19, 7, OutputFormat::Bgrx32, ScalingForms::Plain};
    for (bool key : {true, false}) {
        EXPECT_EQ(encoder.compress(picture, key), CodecStatus::Ok);
        EXPECT_EQ(decoder.apply(ByteSpan{encoder.data(), encoder.size()}), CodecStatus::Ok);
        EXPECT_EQ(decoder.render(rendered), CodecStatus::Ok);
        picture.fillRandom(depth + 1, depth == 16 ? 0x7F : 0xFF);
    }
    EXPECT_EQ(allocations, allocatedByBegin) << "a frame allocated";
    return CodecStatus::Ok;
}

TEST(StreamHeap, EveryFailingAllocationIsACleanOutOfMemory) {
    for (unsigned depth : {8u, 16u, 32u}) {
        int total;
        {
            GateInstalled gate(-1);
            ASSERT_EQ(runStream(depth), CodecStatus::Ok);
            total = allocations;
        }
        EXPECT_GT(total, 0);
        for (int n = 0; n < total; ++n) {
            GateInstalled gate(n);
            EXPECT_EQ(runStream(depth), CodecStatus::OutOfMemory) << depth << "-bit, allocation " << n;
        }
    }
}

std::atomic<int> blocksTaken{0}, blocksHeld{0};

void* countedAllocation(size_t bytes) {
    ++blocksTaken;
    ++blocksHeld;
    return std::calloc(bytes, 1);
}

void countedRelease(void* block) {
    --blocksHeld;
    std::free(block);
}

TEST(StreamHeap, ANamedMemoryGetsBackEveryBlock) {
    const StreamMemory before = setStreamMemory(StreamMemory{countedAllocation, countedRelease});
    for (unsigned depth : {8u, 16u, 32u}) ASSERT_EQ(runStream(depth), CodecStatus::Ok);
    setStreamMemory(before);
    EXPECT_GT(blocksTaken, 0);
    EXPECT_EQ(blocksHeld, 0);
}

}  // namespace
}  // namespace drav
