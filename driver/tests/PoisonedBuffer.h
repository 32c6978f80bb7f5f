// Host memory as a driver must treat it: a block that ends where an
// inaccessible page begins, so that reading or writing one byte past it
// faults. The fault is caught, recorded and let through (the page is opened),
// so a test names every overrun and goes on.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drav::test {

constexpr uint8_t POISON = 0xCC;

class PoisonedBuffer {
public:
    // `size` bytes of POISON.
    explicit PoisonedBuffer(size_t size, const char* what = "buffer");
    // A copy of `size` bytes, as a host holds a structure.
    PoisonedBuffer(const void* bytes, size_t size, const char* what);
    ~PoisonedBuffer();
    PoisonedBuffer(PoisonedBuffer&&) noexcept;
    PoisonedBuffer& operator=(PoisonedBuffer&&) = delete;

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    template <typename T>
    T* as() const {
        return reinterpret_cast<T*>(data_);
    }
    // False once anything read or wrote past the end.
    bool guardIntact() const;

    struct Pages;  // the allocation, which the fault handler finds by address

private:
    std::unique_ptr<Pages> pages_;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// What touched a buffer past its end since the last call, one line each
// ("read 3 bytes past the end of the colour table (44 bytes) by DRAV32.VCM+0x1a2b").
std::vector<std::string> takeOverruns();

}  // namespace drav::test
