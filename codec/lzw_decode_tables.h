// Fixed-size state of the CodedRect decoder, allocated with the work picture
// so that no frame allocates and instances never share it.
//
// Every string of the table is spelled out, symbol by symbol, somewhere in
// the rectangle's symbol history: a new code is the previous token's string
// followed by the first symbol of the token after it, and those lie side by
// side in the history. So a code is a (start, length) pair into it, and
// decoding a token is a forward copy instead of a walk down a prefix chain.
#pragma once

#include <cstdint>

namespace drav {

struct LzwDecodeTables {
    static constexpr uint32_t ENTRIES = 32768;
    // Reads and block copies may run this many symbols past a string.
    static constexpr uint32_t HISTORY_SLACK = 64;

    struct Entry {
        uint32_t start;   // first symbol in the history
        uint32_t length;  // symbols in the string
    };
    Entry entries[ENTRIES];

    // One symbol per rectangle pixel, in pixel order: a literal pixel (bit 15
    // set) or SYMBOL_UNCHANGED. Holds `historyCapacity` symbols plus the slack.
    uint16_t* history;
    uint32_t historyCapacity;
};

// Tables whose history holds a whole picture of `pixels` pixels, in one block
// to be released with std::free; null when out of memory.
LzwDecodeTables* allocateDecodeTables(uint32_t pixels);

}  // namespace drav
