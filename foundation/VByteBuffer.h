#pragma once
// An owned block of raw bytes of exact size (no spare room, no terminator),
// filled from a resource of type "BINARY" of the running module.
#include <cstdint>

inline constexpr char VBYTEBUFFER_FILE[] = "VByteBuffer";
// Fixed line numbers of the throw sites.
inline constexpr int VBYTEBUFFER_LINE_NEGATIVE_SIZE = 31;
inline constexpr int VBYTEBUFFER_LINE_NO_MEMORY = 38;
inline constexpr int VBYTEBUFFER_LINE_NOT_FOUND = 52;
inline constexpr int VBYTEBUFFER_LINE_EMPTY = 56;
inline constexpr int VBYTEBUFFER_LINE_NOT_LOADED = 62;
inline constexpr int VBYTEBUFFER_LINE_NOT_LOCKED = 66;

class VByteBuffer {
public:
    VByteBuffer() = default;
    ~VByteBuffer();
    VByteBuffer(const VByteBuffer&) = delete;
    VByteBuffer& operator=(const VByteBuffer&) = delete;

    // Keeps the leading bytes; new bytes are not initialised. A failed
    // allocation leaves the buffer as it was.
    void setSize(int n);

    unsigned char* data() { return data_; }  // null when empty
    const unsigned char* data() const { return data_; }
    int size() const { return size_; }

    // Replaces the contents with a private copy of the module's "BINARY"
    // resource `id` (low 16 bits). Every failure throws; returns true.
    bool loadResource(int id);

private:
    unsigned char* data_ = nullptr;
    std::int32_t size_ = 0;
};
