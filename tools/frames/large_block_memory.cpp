#include "large_block_memory.h"

#include <sanitizer/asan_interface.h>  // no-ops unless under AddressSanitizer
#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace drav::tool {
namespace {

// Before each block: where its memory starts and how much was mapped (0 for
// a block from the heap), in the 64 bytes that keep the block a cache line
// from it and as aligned as the heap's blocks.
struct BlockHeader {
    void* start;
    size_t mapped;
};
constexpr size_t HEADER_BYTES = 64;

BlockHeader* headerOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<uint8_t*>(block) - HEADER_BYTES);
}

size_t roundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

// `total` bytes of huge pages: mapped with a huge page to spare, then trimmed
// to 2 MiB boundaries. Under AddressSanitizer everything but the block is
// poisoned, as the heap's guards are.
BlockHeader* mapHugePages(size_t total) {
    const size_t length = roundUp(total, HUGE_PAGE_BYTES);
    void* mapped = mmap(nullptr, length + HUGE_PAGE_BYTES, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    auto* first = static_cast<uint8_t*>(mapped);
    auto* start = reinterpret_cast<uint8_t*>(roundUp(reinterpret_cast<uintptr_t>(first), HUGE_PAGE_BYTES));
    if (start != first) munmap(first, size_t(start - first));
    munmap(start + length, size_t(first + HUGE_PAGE_BYTES - start));
    madvise(start, length, MADV_HUGEPAGE);  // only advice: without it the pages are small
    auto* header = new (start) BlockHeader{start, length};
    ASAN_POISON_MEMORY_REGION(start, HEADER_BYTES);
    ASAN_POISON_MEMORY_REGION(start + total, length - total);
    return header;
}

}  // namespace

void* allocateLargeBlockZeroed(size_t bytes) {
    if (bytes > SIZE_MAX - 2 * HUGE_PAGE_BYTES) return nullptr;
    const size_t total = HEADER_BYTES + bytes;
    BlockHeader* header = total >= HUGE_PAGE_BYTES ? mapHugePages(total) : nullptr;
    if (!header) {
        void* start = std::calloc(total, 1);
        if (!start) return nullptr;
        header = new (start) BlockHeader{start, 0};
    }
    return reinterpret_cast<uint8_t*>(header) + HEADER_BYTES;
}

void releaseLargeBlock(void* block) {
    if (!block) return;
    BlockHeader* header = headerOf(block);
    ASAN_UNPOISON_MEMORY_REGION(header, HEADER_BYTES);
    if (header->mapped) {
        ASAN_UNPOISON_MEMORY_REGION(header->start, header->mapped);
        munmap(header->start, header->mapped);
    } else {
        std::free(header->start);
    }
}

StreamMemory largeBlockStreamMemory() { return StreamMemory{allocateLargeBlockZeroed, releaseLargeBlock}; }

void LargeBlock::allocate(size_t bytes) {
    releaseLargeBlock(data_);
    data_ = static_cast<uint8_t*>(allocateLargeBlockZeroed(bytes));
    size_ = data_ ? bytes : 0;
    if (!data_) throw std::bad_alloc();
}

}  // namespace drav::tool
