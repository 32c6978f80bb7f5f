// Symbol rows on SSSE3: sixteen symbols at a time become sixteen 24-bit
// pixels with pshufb, merged into the picture under the literals' mask, so
// the cost follows the row's length instead of its number of literals.
// Compiled with -mssse3 and run only where the processor has it.
#if defined(__SSSE3__)

#include <tmmintrin.h>

#include "coded_rect_rows.h"

namespace drav {
namespace {

constexpr int8_t ZERO = -128;  // a pshufb index that yields 0
constexpr uint32_t GROUP = 16;

__m128i load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
void store(void* at, __m128i bytes) { _mm_storeu_si128(static_cast<__m128i*>(at), bytes); }

// pshufb indices that spread sixteen bytes, one per pixel, to byte `channel`
// of each 3-byte pixel in block `block` (bytes 16 x block to 16 x block + 15)
// of the group's 48 bytes; ZERO elsewhere. ALL_CHANNELS spreads a pixel's
// byte to all three of its bytes.
constexpr int ALL_CHANNELS = 3;
__m128i spread(int block, int channel) {
    alignas(16) int8_t index[16];
    for (int i = 0; i < 16; ++i) {
        const int byte = 16 * block + i;
        index[i] = channel == ALL_CHANNELS || byte % 3 == channel ? int8_t(byte / 3) : ZERO;
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(index));
}

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

struct Spreads {
    __m128i blue[3], green[3], red[3], mask[3];
    Spreads() {
        for (int block = 0; block < 3; ++block) {
            blue[block] = spread(block, 0);
            green[block] = spread(block, 1);
            red[block] = spread(block, 2);
            mask[block] = spread(block, ALL_CHANNELS);
        }
    }
};

void applyGroup(uint8_t* pixel, const uint16_t* symbols, const Spreads& spreads) {
    const __m128i low = load(symbols), high = load(symbols + 8);
    const __m128i literals = _mm_packs_epi16(_mm_srai_epi16(low, 15), _mm_srai_epi16(high, 15));  // 0xFF each
    const int mask = _mm_movemask_epi8(literals);
    if (mask == 0) return;
    const __m128i blue = channelBytes<0>(low, high), green = channelBytes<5>(low, high),
                  red = channelBytes<10>(low, high);
    for (int block = 0; block < 3; ++block) {
        __m128i bytes = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(blue, spreads.blue[block]), _mm_shuffle_epi8(green, spreads.green[block])),
            _mm_shuffle_epi8(red, spreads.red[block]));
        uint8_t* at = pixel + 16 * block;
        if (mask != 0xFFFF) {
            const __m128i keep = _mm_shuffle_epi8(literals, spreads.mask[block]);
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
    static const Spreads spreads;
    uint32_t i = 0;
    for (; i + GROUP <= count; i += GROUP) applyGroup(pixel + 3 * size_t(i), symbols + i, spreads);
    applyRgb555RowReference(pixel + 3 * size_t(i), symbols + i, count - i);
}

}  // namespace drav

#endif  // __SSSE3__
