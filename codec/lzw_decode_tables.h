// Fixed-size tables of the CodedRect decoder, allocated with the work picture
// so that no frame allocates: the string table indexed by code, and the stack
// on which a string is unwound so that it is emitted without recursion.
//
// Besides prefix and suffix, every code records the run of unchanged pixels
// its string ends with and the string before that run (`base`): screen
// content is mostly such runs, and a run is then skipped in one step instead
// of being unwound symbol by symbol.
#pragma once

#include <cstdint>

namespace drav {

struct LzwDecodeTables {
    static constexpr uint32_t ENTRIES = 32768;
    static constexpr uint16_t NO_BASE = 0;  // the string is nothing but the run

    // What one step of unwinding needs, in one load.
    struct Entry {
        uint16_t prefix;
        uint16_t suffix;
        uint16_t trailingRun;
        uint16_t base;
    };
    Entry entries[ENTRIES];
    uint16_t length[ENTRIES];  // symbols in the string
    // Unwound strings, first symbol on top: a literal pixel (bit 15 set), or a
    // count of unchanged pixels.
    uint16_t stack[ENTRIES];
};

}  // namespace drav
