// Where codec streams take their buffers from. A stream's begin takes every
// buffer it holds from here, zeroed, and gives them back at its end or next
// begin; no frame takes any. Unless a program names other memory, it is the
// C library's heap (calloc and free). A program that decodes large pictures
// may name memory that maps large blocks in huge pages.
#pragma once

#include <cstddef>

namespace drav {

struct StreamMemory {
    void* (*allocateZeroed)(size_t bytes);  // null when it cannot
    void (*release)(void* block);           // a block allocateZeroed gave; never null
};

// Names the memory streams take their buffers from; returns the one named
// before. Streams give their blocks back to the memory named at that time, so
// a program names it before it begins any stream (or while none holds one).
// Not for several threads at once.
StreamMemory setStreamMemory(StreamMemory memory);

}  // namespace drav
