#include "codec/stream_heap.h"

#include <atomic>
#include <cstdlib>
#include <utility>

#include "codec/stream_memory.h"
#include "codec/testing/allocation_gate.h"

namespace drav {
namespace {

std::atomic<AllocationGate> gate{nullptr};

void* callocZeroed(size_t bytes) { return std::calloc(bytes, 1); }

StreamMemory memory{callocZeroed, std::free};

}  // namespace

void* allocateZeroed(size_t bytes) {
    AllocationGate current = gate.load(std::memory_order_relaxed);
    if (current && !current(bytes)) return nullptr;
    return memory.allocateZeroed(bytes);
}

void releaseBlock(void* block) {
    if (block) memory.release(block);
}

StreamMemory setStreamMemory(StreamMemory newMemory) { return std::exchange(memory, newMemory); }

AllocationGate setAllocationGate(AllocationGate newGate) { return gate.exchange(newGate); }

}  // namespace drav
