// The renderer on SSSE3: same-size output rearranges the picture's 24-bit
// pixels with pshufb, four at a time, instead of sampling them one by one;
// every other request runs as the SSE2 form. Compiled with -mssse3 and run
// only where the processor has it.
#if defined(__SSSE3__)

#include <tmmintrin.h>

#include "codec/renderer_forms.h"

namespace drav {
namespace {

constexpr int8_t ZERO = -128;  // a pshufb index that yields 0

// Sixteen picture bytes from pixel `pixel` on: four whole pixels and four
// bytes of the next two. Only called where pixel + 4 <= width, so the load
// ends at most four bytes into the right border and spare pixel.
__m128i loadFourPixels(const uint8_t* row, uint32_t pixel) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(pixel) * 3));
}

void storeBytes(uint8_t* at, __m128i bytes) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), bytes); }

// Four pixels B G R become B G R 0.
struct ToBgrx32 {
    static constexpr uint32_t BLOCK = 4;
    static void block(const uint8_t* row, uint8_t* out, uint32_t i) {
        const __m128i spread = _mm_setr_epi8(0, 1, 2, ZERO, 3, 4, 5, ZERO, 6, 7, 8, ZERO, 9, 10, 11, ZERO);
        storeBytes(out + size_t(i) * 4, _mm_shuffle_epi8(loadFourPixels(row, i), spread));
    }
};

// Eight pixels become eight 16-bit words with GREEN_BITS of green (5 for
// RGB555, 6 for RGB565): the top five bits of blue in bits 0-4, the top
// GREEN_BITS of green above them, the top five of red above green.
template <int GREEN_BITS>
struct ToRgb16 {
    static constexpr uint32_t BLOCK = 8;

    // Four pixels as the words B | G << 8 in the low half and R << 8 in the
    // high half, so that each channel sits in a 16-bit lane.
    static __m128i splitFourPixels(const uint8_t* row, uint32_t i) {
        const __m128i split = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, ZERO, 2, ZERO, 5, ZERO, 8, ZERO, 11);
        return _mm_shuffle_epi8(loadFourPixels(row, i), split);
    }

    // Blue and green fields from the words B | G << 8. Both channels cut to
    // their top bits, B + G x 2^GREEN_BITS (one pmaddubsw) holds the two
    // fields in place, times 8.
    static __m128i blueAndGreen(__m128i words) {
        const int greenTopBits = (0xFF << (8 - GREEN_BITS)) & 0xFF;
        const __m128i topBits = _mm_set1_epi16(short((greenTopBits << 8) | 0xF8));
        const __m128i weights = _mm_set1_epi16(short(((1 << GREEN_BITS) << 8) | 1));
        return _mm_srli_epi16(_mm_maddubs_epi16(_mm_and_si128(words, topBits), weights), 3);
    }

    // The red field from the words R << 8.
    static __m128i red(__m128i words) {
        return _mm_and_si128(_mm_srli_epi16(words, 6 - GREEN_BITS), _mm_set1_epi16(short(0x1F << (5 + GREEN_BITS))));
    }

    static void block(const uint8_t* row, uint8_t* out, uint32_t i) {
        __m128i first = splitFourPixels(row, i), second = splitFourPixels(row, i + 4);
        __m128i words =
            _mm_or_si128(blueAndGreen(_mm_unpacklo_epi64(first, second)), red(_mm_unpackhi_epi64(first, second)));
        storeBytes(out + size_t(i) * 2, words);
    }
};

}  // namespace

// 32-bit Windows callers may enter with a 4-byte aligned stack; spilled
// vectors need 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void renderPlanSsse3(const RenderPlan& plan) {
    if (!convertUnscaled<ToBgrx32, ToRgb16>(plan)) renderPlanSse2(plan);
}

}  // namespace drav

#endif  // __SSSE3__
