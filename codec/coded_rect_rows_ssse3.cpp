// Symbol rows on SSSE3: sixteen symbols at a time become sixteen 24-bit
// pixels with pshufb, merged into the picture under the literals' mask, so
// the cost follows the row's length instead of its number of literals.
// Compiled with -mssse3 and run only where the processor has it.
#if defined(__SSSE3__)

#include <tmmintrin.h>

#include "codec/coded_rect_rows.h"
#include "codec/coded_rect_rows_spread.h"

namespace drav {
namespace {

constexpr uint32_t GROUP = 16;

__m128i load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
void store(void* at, __m128i bytes) { _mm_storeu_si128(static_cast<__m128i*>(at), bytes); }

__m128i spread(int channel, int block) { return load(SYMBOL_ROW_SPREADS.index[channel][block]); }

// A channel of sixteen RGB555 symbols as bytes: the field at bit `shift`,
// moved to the top five bits of the byte.
template <int SHIFT>
__m128i channelBytes(__m128i low, __m128i high) {
    const __m128i topFive = _mm_set1_epi16(0xF8);
    const auto field = [&](__m128i symbols) {
        return _mm_and_si128(SHIFT <= 3 ? _mm_slli_epi16(symbols, 3 - SHIFT) : _mm_srli_epi16(symbols, SHIFT - 3),
                             topFive);
    };
    return _mm_packus_epi16(field(low), field(high));
}

void applyGroup(uint8_t* pixel, const uint16_t* symbols) {
    const __m128i low = load(symbols), high = load(symbols + 8);
    const __m128i literals = _mm_packs_epi16(_mm_srai_epi16(low, 15), _mm_srai_epi16(high, 15));  // 0xFF each
    const int mask = _mm_movemask_epi8(literals);
    if (mask == 0) return;
    const __m128i blue = channelBytes<0>(low, high), green = channelBytes<5>(low, high),
                  red = channelBytes<10>(low, high);
    for (int block = 0; block < 3; ++block) {
        __m128i bytes = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(blue, spread(0, block)), _mm_shuffle_epi8(green, spread(1, block))),
            _mm_shuffle_epi8(red, spread(2, block)));
        uint8_t* at = pixel + 16 * block;
        if (mask != 0xFFFF) {
            const __m128i keep = _mm_shuffle_epi8(literals, spread(SymbolRowSpreads::ALL_CHANNELS, block));
            bytes = _mm_or_si128(_mm_and_si128(keep, bytes), _mm_andnot_si128(keep, load(at)));
        }
        store(at, bytes);
    }
}

}  // namespace

// 32-bit Windows callers may enter with a 4-byte aligned stack; spilled
// vectors need 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void applyRgb555RowSsse3(uint8_t* pixel, const uint16_t* symbols, uint32_t count) {
    uint32_t i = 0;
    for (; i + GROUP <= count; i += GROUP) applyGroup(pixel + 3 * size_t(i), symbols + i);
    applyRgb555RowReference(pixel + 3 * size_t(i), symbols + i, count - i);
}

}  // namespace drav

#endif  // __SSSE3__
