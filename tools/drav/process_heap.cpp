#include "process_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "large_block_memory.h"

namespace drav::tool {
namespace {

constexpr int RESERVATION = 512 << 20;
constexpr int TRIM_THRESHOLD = 1 << 30;  // above the reservation: trimming it would drop the advice
constexpr int DEFAULT_TOP_PAD = 128 << 10;

}  // namespace

// Frames of several MiB are allocated and freed for every picture (FFmpeg's
// frame and packet buffers). Keep freed memory in the heap for the next frame
// instead of handing it back to the system and faulting it in again. One
// arena: the reading thread allocates what other threads free, and a
// thread's own arena grows in heaps of 64 MiB, each holding a single 4K
// picture and given back whole once it is freed (197,000 page faults for 120
// such frames with two jobs, 59,000 with one arena; the threads allocate
// too seldom to contend for it).
void keepLargeBuffersInHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // glibc's largest allowed threshold on 64-bit systems
    mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD);
    mallopt(M_ARENA_MAX, 1);
}

// A request larger than the free space at the heap's top makes the C library
// extend the heap by the request plus the top padding, in one piece. Freed,
// the block goes back to the top, which stays.
void reserveHeapInHugePages() {
#if !defined(__SANITIZE_ADDRESS__)
    if constexpr (sizeof(void*) < 8) return;
    mallopt(M_TOP_PAD, RESERVATION);
    void* block = malloc(mallinfo2().keepcost + (size_t(1) << 16));
    const uintptr_t top = uintptr_t(sbrk(0));
    mallopt(M_TOP_PAD, DEFAULT_TOP_PAD);
    if (!block) return;
    const uintptr_t huge = HUGE_PAGE_BYTES;
    const uintptr_t begin = (uintptr_t(block) + huge - 1) & ~(huge - 1);
    const uintptr_t end = top & ~(huge - 1);
    // Above the top, the block was mapped apart: the heap could not grow.
    if (uintptr_t(block) < top && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    free(block);
#endif
}

}  // namespace drav::tool
