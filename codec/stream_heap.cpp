#include "codec/stream_heap.h"

#include <atomic>

#include "codec/testing/allocation_gate.h"

namespace drav {
namespace {

std::atomic<AllocationGate> gate{nullptr};

}  // namespace

void* allocateZeroed(size_t bytes) {
    AllocationGate current = gate.load(std::memory_order_relaxed);
    if (current && !current(bytes)) return nullptr;
    return std::calloc(bytes, 1);
}

AllocationGate setAllocationGate(AllocationGate newGate) { return gate.exchange(newGate); }

}  // namespace drav
