#pragma once
// A bounds-checked array whose size is set as a whole: every change of size
// discards the contents and yields fresh default-constructed elements.
#include <cstddef>
#include <cstdint>
#include <new>

#include "foundation/Allocation.h"
#include "foundation/VSystemException.h"

inline constexpr char VARRAY_FILE[] = "VArray";
// Fixed line numbers of the throw sites (113 is the one users have seen).
inline constexpr int VARRAY_LINE_NEGATIVE_SIZE = 87;
inline constexpr int VARRAY_LINE_NO_MEMORY = 98;
inline constexpr int VARRAY_LINE_SUBSCRIPT = 113;

template <typename T>
class VArray {
    static_assert(alignof(T) <= alignof(std::max_align_t), "blocks come from the C runtime heap");

public:
    VArray() = default;
    ~VArray() { release(); }
    VArray(const VArray&) = delete;
    VArray& operator=(const VArray&) = delete;

    // The same size keeps the elements; any other size replaces them. A failed
    // allocation leaves the array empty.
    void setSize(int n) {
        if (n == size_) return;
        if (n < 0) throw VSystemException(ErrorIllegalParameter, VARRAY_LINE_NEGATIVE_SIZE, VARRAY_FILE);
        release();
        if (n > 0) items_ = createElements(n);
        size_ = n;
    }

    int size() const { return size_; }

    T& at(int i) {
        if (i < 0 || i >= size_) throw VSystemException(ErrorSubscriptOutOfRange, VARRAY_LINE_SUBSCRIPT, VARRAY_FILE);
        return items_[i];
    }
    const T& at(int i) const { return const_cast<VArray*>(this)->at(i); }

    // The raw block, for handing the elements to the system; null when empty.
    T* data() { return items_; }

    void clear() { setSize(0); }

private:
    static T* createElements(int n) {
        if (static_cast<std::size_t>(n) > SIZE_MAX / sizeof(T))
            throw VSystemException(ErrorNotEnoughMemory, VARRAY_LINE_NO_MEMORY, VARRAY_FILE);
        T* block = static_cast<T*>(allocateBytes(static_cast<std::size_t>(n) * sizeof(T)));
        if (block == nullptr) throw VSystemException(ErrorNotEnoughMemory, VARRAY_LINE_NO_MEMORY, VARRAY_FILE);
        int made = 0;
        try {
            for (; made < n; ++made) new (block + made) T();
        } catch (...) {
            destroyElements(block, made);
            freeBytes(block);
            throw;
        }
        return block;
    }

    static void destroyElements(T* block, int n) {
        while (n-- > 0) block[n].~T();
    }

    void release() {
        destroyElements(items_, size_);
        freeBytes(items_);
        items_ = nullptr;
        size_ = 0;
    }

    T* items_ = nullptr;
    std::int32_t size_ = 0;
};
