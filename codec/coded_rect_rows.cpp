// The plain forms of applying symbol rows, and the choice of form.
#include "codec/coded_rect_rows.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/cpu_features.h"
#include "codec/work_picture.h"

namespace drav {
namespace {

// Bit k set when symbols[k] is a literal, for k = 0..15.
inline uint64_t literalMaskOf16(const uint16_t* symbols) {
#if defined(__SSE2__)
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(symbols));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(symbols + 8));
    return uint32_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)));  // literals are negative as int16
#else
    // Each flag (bit 15 of a 16-bit lane) is multiplied into bits 60-63.
    constexpr uint64_t FLAGS = 0x8000800080008000ull;
    constexpr uint64_t GATHER = (1ull << 60) | (1ull << 45) | (1ull << 30) | (1ull << 15);
    uint64_t mask = 0;
    for (unsigned quad = 0; quad < 4; ++quad) {
        uint64_t four;
        std::memcpy(&four, symbols + 4 * quad, 8);
        mask |= ((((four & FLAGS) >> 15) * GATHER) >> 60) << (4 * quad);
    }
    return mask;
#endif
}

// The same for k = 0..63.
inline uint64_t literalMaskOf64(const uint16_t* symbols) {
    return literalMaskOf16(symbols) | literalMaskOf16(symbols + 16) << 16 | literalMaskOf16(symbols + 32) << 32 |
           literalMaskOf16(symbols + 48) << 48;
}

// Calls store(k) for each literal symbols[k], k < count. Only literal pixels
// are visited: screen content is mostly unchanged ones, and a test per pixel
// would be mispredicted all the time. Masks read up to 63 symbols past the
// row.
template <class Store>
void forEachLiteral(const uint16_t* symbols, uint32_t count, Store store) {
    for (uint32_t i = 0; i < count; i += 64) {
        uint64_t literals = literalMaskOf64(symbols + i);
        if (count - i < 64) literals &= (uint64_t(1) << (count - i)) - 1;
        for (; literals != 0; literals &= literals - 1) store(i + uint32_t(__builtin_ctzll(literals)));
    }
}

}  // namespace

void applyRgb555RowReference(uint8_t* pixel, const uint16_t* symbols, uint32_t count) {
    forEachLiteral(symbols, count, [&](uint32_t k) { storeRgb555(pixel + 3 * size_t(k), symbols[k]); });
}

void applyPaletteRow(uint8_t* pixel, const uint16_t* symbols, uint32_t count, const PaletteEntry* palette) {
    forEachLiteral(symbols, count,
                   [&](uint32_t k) { storePaletteEntry(pixel + 3 * size_t(k), palette[symbols[k] & 0xFF]); });
}

const SymbolRowForm SYMBOL_ROW_FORMS[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", processorHasAvx2, applyRgb555RowAvx2},
    {"ssse3", processorHasSsse3, applyRgb555RowSsse3},
#endif
    {"reference", everyProcessor, applyRgb555RowReference},
};
const unsigned SYMBOL_ROW_FORM_COUNT = sizeof(SYMBOL_ROW_FORMS) / sizeof(SYMBOL_ROW_FORMS[0]);

const SymbolRowForm& fastestSymbolRowForm() {
    for (unsigned i = 0; i + 1 < SYMBOL_ROW_FORM_COUNT; ++i)
        if (SYMBOL_ROW_FORMS[i].isSupported()) return SYMBOL_ROW_FORMS[i];
    return SYMBOL_ROW_FORMS[SYMBOL_ROW_FORM_COUNT - 1];
}

}  // namespace drav
