#pragma once
// A bounds-checked array that grows and shrinks by any count, stored in chunks
// of 32 elements so that an element never moves while it exists: callers keep
// pointers to earlier elements while they add more. Elements are raw storage,
// neither constructed nor destroyed; the owner writes every field.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "foundation/Allocation.h"
#include "foundation/VSystemException.h"

inline constexpr char VDYNARRAY_FILE[] = "VDynArray";
// Fixed line numbers of the throw sites.
inline constexpr int VDYNARRAY_LINE_NEGATIVE_COUNT = 154;
inline constexpr int VDYNARRAY_LINE_NO_MEMORY = 166;
inline constexpr int VDYNARRAY_LINE_SUBSCRIPT = 205;

template <typename T>
class VDynArray {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "elements are raw storage");
    static_assert(alignof(T) <= alignof(std::max_align_t), "chunks come from the C runtime heap");

public:
    static constexpr int CHUNK_SIZE = 32;

    VDynArray() = default;
    ~VDynArray() { setCount(0); }
    VDynArray(const VDynArray&) = delete;
    VDynArray& operator=(const VDynArray&) = delete;

    // Allocates or frees whole chunks so that exactly those needed for `n`
    // elements exist. When an allocation fails, the count and every element
    // stay as they were.
    void setCount(int n) {
        if (n < 0) throw VSystemException(ErrorIllegalParameter, VDYNARRAY_LINE_NEGATIVE_COUNT, VDYNARRAY_FILE);
        int oldChunks = chunksFor(count_);
        int newChunks = chunksFor(n);
        if (newChunks > oldChunks) addChunks(oldChunks, newChunks);
        if (newChunks < oldChunks) dropChunks(oldChunks, newChunks);
        count_ = n;
    }

    int count() const { return count_; }

    T& at(int i) {
        if (i < 0 || i >= count_)
            throw VSystemException(ErrorSubscriptOutOfRange, VDYNARRAY_LINE_SUBSCRIPT, VDYNARRAY_FILE);
        return chunks_[i / CHUNK_SIZE][i % CHUNK_SIZE];
    }
    const T& at(int i) const { return const_cast<VDynArray*>(this)->at(i); }

    T& last() { return at(count_ - 1); }

    // Appends a copy of `value` (which may be an element of this array: nothing
    // moves) and returns its index.
    int add(const T& value) {
        int index = addEmpty();
        at(index) = value;
        return index;
    }

    // Appends an uninitialised element and returns its index.
    int addEmpty() {
        if (count_ == INT_MAX) throw VSystemException(ErrorNotEnoughMemory, VDYNARRAY_LINE_NO_MEMORY, VDYNARRAY_FILE);
        setCount(count_ + 1);
        return count_ - 1;
    }

    void clear() { setCount(0); }

private:
    static int chunksFor(int n) { return n / CHUNK_SIZE + (n % CHUNK_SIZE != 0 ? 1 : 0); }

    void addChunks(int oldChunks, int newChunks) {
        void* table = reallocateBytes(chunks_, static_cast<std::size_t>(newChunks) * sizeof(T*));
        if (table == nullptr) throw VSystemException(ErrorNotEnoughMemory, VDYNARRAY_LINE_NO_MEMORY, VDYNARRAY_FILE);
        chunks_ = static_cast<T**>(table);
        for (int c = oldChunks; c < newChunks; ++c) {
            chunks_[c] = static_cast<T*>(allocateBytes(CHUNK_SIZE * sizeof(T)));
            if (chunks_[c] == nullptr) {
                dropChunks(c, oldChunks);
                throw VSystemException(ErrorNotEnoughMemory, VDYNARRAY_LINE_NO_MEMORY, VDYNARRAY_FILE);
            }
        }
    }

    // Frees chunks oldChunks-1 down to newChunks. A table that cannot shrink
    // stays as it is: it is merely larger than needed.
    void dropChunks(int oldChunks, int newChunks) {
        for (int c = oldChunks - 1; c >= newChunks; --c) freeBytes(chunks_[c]);
        if (newChunks == 0) {
            freeBytes(chunks_);
            chunks_ = nullptr;
            return;
        }
        void* table = reallocateBytes(chunks_, static_cast<std::size_t>(newChunks) * sizeof(T*));
        if (table != nullptr) chunks_ = static_cast<T**>(table);
    }

    std::int32_t count_ = 0;
    T** chunks_ = nullptr;
};
