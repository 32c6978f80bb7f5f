// pshufb indices shared by the SIMD forms of coded_rect_rows.h. They spread
// sixteen bytes, one per pixel, over the 48 bytes of sixteen 3-byte pixels,
// sixteen bytes (one block) at a time. Data only: the forms are compiled for
// different instruction sets and must share no code.
#pragma once

#include <cstdint>

namespace drav {

struct SymbolRowSpreads {
    static constexpr int8_t ZERO = -128;  // an index that yields 0
    static constexpr int ALL_CHANNELS = 3;
    // index[channel][block][i]: output byte 16 x block + i takes the byte of
    // its pixel when it is that pixel's `channel` (0 blue, 1 green, 2 red),
    // else 0; ALL_CHANNELS takes the pixel's byte for all three.
    alignas(16) int8_t index[4][3][16];
};

constexpr SymbolRowSpreads makeSymbolRowSpreads() {
    SymbolRowSpreads spreads{};
    for (int channel = 0; channel < 4; ++channel)
        for (int block = 0; block < 3; ++block)
            for (int i = 0; i < 16; ++i) {
                const int byte = 16 * block + i;
                const bool taken = channel == SymbolRowSpreads::ALL_CHANNELS || byte % 3 == channel;
                spreads.index[channel][block][i] = taken ? int8_t(byte / 3) : SymbolRowSpreads::ZERO;
            }
    return spreads;
}

inline constexpr SymbolRowSpreads SYMBOL_ROW_SPREADS = makeSymbolRowSpreads();

}  // namespace drav
