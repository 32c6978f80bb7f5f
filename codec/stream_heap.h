// The streams' heap. Every buffer a stream holds is allocated here, by its
// begin, and nothing else in the codec allocates: so a test can make any one
// allocation fail, and can check that a frame allocates nothing.
#pragma once

#include <cstddef>

namespace drav {

// A zeroed block of `bytes` from the stream memory the program named (the C
// library's heap by default); null when it (or the test's gate) refuses.
void* allocateZeroed(size_t bytes);
// Gives a block back to that memory; null is nothing to give.
void releaseBlock(void* block);

template <typename T>
void releaseBuffer(T*& buffer) {
    releaseBlock(buffer);
    buffer = nullptr;
}

}  // namespace drav
