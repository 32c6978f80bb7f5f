// The streams' heap. Every buffer a stream holds is allocated here, by its
// begin, and nothing else in the codec allocates: so a test can make any one
// allocation fail, and can check that a frame allocates nothing.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace drav {

// A zeroed block of `bytes`; null when the heap (or the test's gate) refuses.
void* allocateZeroed(size_t bytes);

template <typename T>
void releaseBuffer(T*& buffer) {
    std::free(buffer);
    buffer = nullptr;
}

}  // namespace drav
