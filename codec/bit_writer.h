// Least-significant-bit-first bit packer for the coded rectangle stream.
// Bits gather in a 64-bit accumulator and leave four bytes at a time; every
// store is checked against the end of the output buffer.
#pragma once

#include <cstdint>

namespace drav {

class BitWriter {
public:
    BitWriter(uint8_t* out, uint8_t* end) : out_(out), end_(end) {}

    // Appends the low `count` bits of `value` (count <= 32).
    void put(uint32_t value, unsigned count) {
        accumulator_ |= uint64_t(value) << pending_;
        pending_ += count;
        if (pending_ >= 32) flushWord();
    }

    // Stores every complete byte, then the accumulator's low byte: exactly one
    // more byte, even when no bits are pending. False when the buffer ran out.
    bool finish() {
        while (pending_ >= 8) storeByte();
        pending_ = 8;
        storeByte();
        return !overflowed_;
    }

    uint8_t* position() const { return out_; }
    bool overflowed() const { return overflowed_; }

private:
    void flushWord() {
        if (end_ - out_ >= 4) {
            uint32_t word = uint32_t(accumulator_);
            out_[0] = uint8_t(word);
            out_[1] = uint8_t(word >> 8);
            out_[2] = uint8_t(word >> 16);
            out_[3] = uint8_t(word >> 24);
            out_ += 4;
            accumulator_ >>= 32;
            pending_ -= 32;
        } else {
            while (pending_ >= 8) storeByte();
        }
    }

    void storeByte() {
        if (out_ < end_) {
            *out_++ = uint8_t(accumulator_);
        } else {
            overflowed_ = true;
        }
        accumulator_ >>= 8;
        pending_ -= 8;
    }

    uint8_t* out_;
    uint8_t* end_;
    uint64_t accumulator_ = 0;
    unsigned pending_ = 0;
    bool overflowed_ = false;
};

}  // namespace drav
