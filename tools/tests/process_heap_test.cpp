// Frames allocated after the reservation lie in memory advised for huge pages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "process_heap.h"

namespace drav::tool {
namespace {

// The VmFlags of the mapping that holds `address`, from /proc/self/smaps
// (unused under AddressSanitizer).
[[maybe_unused]] std::string mappingFlags(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto where = uintptr_t(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t begin = 0, end = 0;
        char dash = 0;
        std::istringstream fields(line);
        if (fields >> std::hex >> begin >> dash >> end && dash == '-')
            inside = begin <= where && where < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return "";
}

TEST(ProcessHeap, FramesAfterTheReservationGetHugePages) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the heap is AddressSanitizer's";
#else
    keepLargeBuffersInHeap();
    reserveHeapInHugePages();
    const size_t frameBytes = 1920 * 1080 * 4;
    void* frame = std::malloc(frameBytes);
    ASSERT_NE(frame, nullptr);
    std::memset(frame, 0xA5, frameBytes);
    EXPECT_NE(mappingFlags(static_cast<char*>(frame) + frameBytes / 2).find(" hg"), std::string::npos);
    std::free(frame);
#endif
}

}  // namespace
}  // namespace drav::tool
