// The compressor's string table: (prefix, suffix) -> code, kept in the
// instance's LZW work area. Open addressing over 49,152 slots, at most two
// thirds full (a table holds at most 32,763 strings). Slots carry the generation in
// which they were filled, so emptying the table is one increment instead of a
// pass over 512 KiB. The work area starts zeroed; generation 0 never marks a
// live slot.
//
// A string's slot is found from a hash of its symbols (stringHash), not of
// its prefix's code: the encoder knows the hash of the next string it will
// look up before the look-up in hand has found its code, so successive
// look-ups, which mostly miss the first-level cache, overlap instead of
// waiting for each other.
#pragma once

#include <cstdint>
#include <cstring>

namespace drav {

// The hash of a string's symbols: extendHash(h, s) is the hash of the string
// of hash h followed by the symbol s; a one-symbol string s has
// extendHash(0, s). A polynomial in the symbols, whose high bits pick a slot.
inline uint32_t extendHash(uint32_t hash, uint16_t symbol) { return (hash + symbol) * 0x9E3779B1u; }

class LzwDictionary {
public:
    static constexpr uint32_t SLOTS = 49152;
    static constexpr uint32_t BYTES = 8 + SLOTS * 8;  // generation word, then the slots

    explicit LzwDictionary(uint8_t* workArea)
        : generation_(reinterpret_cast<uint16_t*>(workArea)),
          slots_(reinterpret_cast<Slot*>(workArea + 8)),
          current_(*generation_) {}

    void clear() {
        if (++*generation_ == 0) {  // wrapped: every stale slot would look live again
            std::memset(slots_, 0, SLOTS * sizeof(Slot));
            *generation_ = 1;
        }
        current_ = *generation_;
    }

    // Returns the code of (prefix, suffix), whose symbols hash to `hash`, or
    // 0 after remembering where the string goes if it is entered next.
    uint16_t find(uint16_t prefix, uint16_t suffix, uint32_t hash) {
        uint32_t key = uint32_t(prefix) << 16 | suffix;
        uint32_t index = uint32_t((uint64_t(hash) * SLOTS) >> 32);
        const uint16_t generation = current_;
        while (slots_[index].generation == generation) {
            if (slots_[index].key == key) return slots_[index].code;
            if (++index == SLOTS) index = 0;
        }
        vacant_ = index;
        vacantKey_ = key;
        return 0;
    }

    // Enters the string of the last unsuccessful find.
    void enterLastMiss(uint16_t code) { slots_[vacant_] = Slot{vacantKey_, code, current_}; }

private:
    struct Slot {
        uint32_t key;
        uint16_t code;
        uint16_t generation;
    };

    uint16_t* generation_;  // in the work area, for the next chunk
    Slot* slots_;
    uint16_t current_;  // *generation_, held where slot stores cannot alias it
    uint32_t vacant_ = 0;
    uint32_t vacantKey_ = 0;
};

}  // namespace drav
