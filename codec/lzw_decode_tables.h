// Fixed-size tables of the CodedRect decoder: the string table indexed by code
// and the stack on which a string is unwound, so strings are emitted without
// recursion and without allocating per frame.
#pragma once

#include <cstdint>

namespace drav {

struct LzwDecodeTables {
    static constexpr uint32_t ENTRIES = 32768;
    uint16_t prefix[ENTRIES];
    uint16_t suffix[ENTRIES];
    uint16_t stack[ENTRIES];
};

}  // namespace drav
