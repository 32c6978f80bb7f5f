#include "foundation/Allocation.h"

#include <cstdlib>

namespace {
AllocationHook currentHook = nullptr;

bool allowed(std::size_t bytes) { return currentHook == nullptr || currentHook(bytes); }
}  // namespace

AllocationHook setAllocationHook(AllocationHook hook) {
    AllocationHook previous = currentHook;
    currentHook = hook;
    return previous;
}

void* allocateBytes(std::size_t bytes) {
    if (bytes == 0 || !allowed(bytes)) return nullptr;
    return std::malloc(bytes);
}

void* reallocateBytes(void* block, std::size_t bytes) {
    if (bytes == 0) {
        std::free(block);
        return nullptr;
    }
    if (!allowed(bytes)) return nullptr;
    return std::realloc(block, bytes);
}

void freeBytes(void* block) { std::free(block); }
