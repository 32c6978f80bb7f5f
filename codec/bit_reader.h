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

    // Takes `count` bits (count <= 16) into `value`; false when the stream ends first.
    bool take(unsigned count, uint32_t& value) {
        if (pending_ < count && !refill(count)) return false;
        value = uint32_t(buffer_) & ((1u << count) - 1);
        buffer_ >>= count;
        pending_ -= count;
        return true;
    }

private:
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
