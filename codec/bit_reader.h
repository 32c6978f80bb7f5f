// Least-significant-bit-first reader over one chunk's bit stream. Pending bits
// live in a 64-bit buffer refilled four bytes at a time away from the end of
// the chunk and a byte at a time near it; no byte past the end is ever read.
#pragma once

#include <cstdint>
#include <cstring>

namespace drav {

class BitReader {
public:
    BitReader(const uint8_t* data, const uint8_t* end) : next_(data), end_(end) {}

    // The next 16 bits, zero past the end of the stream; `real` receives how
    // many of them the stream holds. skip() then consumes some of them.
    uint32_t peek16(unsigned& real) {
        if (pending_ < 16) refill(16);
        real = pending_ < 16 ? pending_ : 16;
        return uint32_t(buffer_) & 0xFFFF;
    }
    void skip(unsigned count) {
        buffer_ >>= count;
        pending_ -= count;
    }

private:
    // Adds bits until `count` are pending or the stream ends; false then.
    bool refill(unsigned count) {
        if (end_ - next_ >= 4) {
            uint32_t word;
            std::memcpy(&word, next_, 4);
            buffer_ |= uint64_t(word) << pending_;
            next_ += 4;
            pending_ += 32;
            return true;
        }
        while (pending_ < count) {
            if (next_ == end_) return false;
            buffer_ |= uint64_t(*next_++) << pending_;
            pending_ += 8;
        }
        return true;
    }

    const uint8_t* next_;
    const uint8_t* end_;
    uint64_t buffer_ = 0;
    unsigned pending_ = 0;
};

}  // namespace drav
