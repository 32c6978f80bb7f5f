// Splits a fuzzer's bytes into the choices that shape a test case and the
// payload that follows them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drav::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
    uint32_t upTo(uint32_t limit) { return byte() % (limit + 1); }  // 0..limit
    bool flag() { return byte() & 1; }

    const uint8_t* rest() const { return data_ + used_; }
    size_t restSize() const { return size_ - used_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

}  // namespace drav::fuzz
