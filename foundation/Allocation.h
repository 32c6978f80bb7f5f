#pragma once
// The foundation library's heap routines. Every container of the library
// allocates through them, so a test can make any growth path fail on demand.
#include <cstddef>

// Returns false to refuse an allocation of `bytes`; installed by tests only.
using AllocationHook = bool (*)(std::size_t bytes);

// Installs `hook` (null: allow everything) and returns the previous one.
AllocationHook setAllocationHook(AllocationHook hook);

// Null for 0 bytes (the allocator is not called) and on failure.
void* allocateBytes(std::size_t bytes);

// Resizes `block` (null: allocates). On failure returns null and leaves
// `block` untouched and owned by the caller. Resizing to 0 frees the block.
void* reallocateBytes(void* block, std::size_t bytes);

void freeBytes(void* block);
