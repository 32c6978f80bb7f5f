// Memory for pictures of several MiB. Blocks of 2 MiB and more are mapped on
// their own, 2 MiB aligned, and advised to the kernel for transparent huge
// pages: a 3840x2160 picture is then faulted in 16 times rather than 8,100,
// and scans over it miss the TLB less. Smaller blocks come from the C
// library's heap. Every block comes zeroed. Under AddressSanitizer the bytes
// around a mapped block are poisoned, so its checks see overflows as the
// heap's guards would.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/stream_memory.h"

namespace drav::tool {

// The size of a transparent huge page on the systems drav runs on.
constexpr size_t HUGE_PAGE_BYTES = size_t(2) << 20;

// Null when the system has no memory for it.
void* allocateLargeBlockZeroed(size_t bytes);
// A block allocateLargeBlockZeroed gave; null is nothing.
void releaseLargeBlock(void* block);

// Codec streams' buffers in that memory.
StreamMemory largeBlockStreamMemory();

// One zeroed block of that memory, owned.
class LargeBlock {
public:
    LargeBlock() = default;
    ~LargeBlock() { releaseLargeBlock(data_); }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    // Lets go of the block held and takes a zeroed one of `bytes`; throws
    // std::bad_alloc when there is no memory for it.
    void allocate(size_t bytes);
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace drav::tool
