// The renderer on AVX2: same-size output as in the SSSE3 form, with each
// 128-bit lane converting its own pixels, twice as many per step; every other
// request, and rows narrower than a step, run as the SSSE3 form. Compiled with
// -mavx2 and run only where the processor has it.
#if defined(__AVX2__)

#include <immintrin.h>

#include "codec/renderer_forms.h"

namespace drav {
namespace {

constexpr int8_t ZERO = -128;  // a pshufb index that yields 0

// Four whole pixels (and four bytes more) from `low` in the low lane, from
// `high` in the high lane. Only called where both + 4 <= width, so a load
// ends at most four bytes into the right border and spare pixel.
__m256i loadFourPixelsEach(const uint8_t* row, uint32_t low, uint32_t high) {
    const __m128i lowPixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(low) * 3));
    const __m128i highPixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(high) * 3));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lowPixels), highPixels, 1);
}

void storeBytes(uint8_t* at, __m256i bytes) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), bytes); }

// Both lanes' four pixels B G R become B G R 0.
struct ToBgrx32 {
    static constexpr uint32_t BLOCK = 8;
    static void block(const uint8_t* row, uint8_t* out, uint32_t i) {
        const __m256i spread = _mm256_setr_epi8(0, 1, 2, ZERO, 3, 4, 5, ZERO, 6, 7, 8, ZERO, 9, 10, 11, ZERO, 0, 1, 2,
                                                ZERO, 3, 4, 5, ZERO, 6, 7, 8, ZERO, 9, 10, 11, ZERO);
        storeBytes(out + size_t(i) * 4, _mm256_shuffle_epi8(loadFourPixelsEach(row, i, i + 4), spread));
    }
};

// Sixteen pixels become sixteen 16-bit words with GREEN_BITS of green, by the
// SSSE3 form's formulas (see renderer_ssse3.cpp): pixels 0-7 in the low lane,
// 8-15 in the high one.
template <int GREEN_BITS>
struct ToRgb16 {
    static constexpr uint32_t BLOCK = 16;

    // Four pixels a lane as the words B | G << 8 in the lane's low half and
    // R << 8 in its high half.
    static __m256i splitFourPixels(const uint8_t* row, uint32_t low, uint32_t high) {
        const __m256i split = _mm256_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, ZERO, 2, ZERO, 5, ZERO, 8, ZERO, 11, 0, 1, 3, 4,
                                               6, 7, 9, 10, ZERO, 2, ZERO, 5, ZERO, 8, ZERO, 11);
        return _mm256_shuffle_epi8(loadFourPixelsEach(row, low, high), split);
    }

    static __m256i blueAndGreen(__m256i words) {
        const int greenTopBits = (0xFF << (8 - GREEN_BITS)) & 0xFF;
        const __m256i topBits = _mm256_set1_epi16(short((greenTopBits << 8) | 0xF8));
        const __m256i weights = _mm256_set1_epi16(short(((1 << GREEN_BITS) << 8) | 1));
        return _mm256_srli_epi16(_mm256_maddubs_epi16(_mm256_and_si256(words, topBits), weights), 3);
    }

    static __m256i red(__m256i words) {
        return _mm256_and_si256(_mm256_srli_epi16(words, 6 - GREEN_BITS),
                                _mm256_set1_epi16(short(0x1F << (5 + GREEN_BITS))));
    }

    static void block(const uint8_t* row, uint8_t* out, uint32_t i) {
        __m256i first = splitFourPixels(row, i, i + 8), second = splitFourPixels(row, i + 4, i + 12);
        __m256i words = _mm256_or_si256(blueAndGreen(_mm256_unpacklo_epi64(first, second)),
                                        red(_mm256_unpackhi_epi64(first, second)));
        storeBytes(out + size_t(i) * 2, words);
    }
};

}  // namespace

#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void renderPlanAvx2(const RenderPlan& plan) {
    if (!convertUnscaled<ToBgrx32, ToRgb16>(plan)) renderPlanSsse3(plan);
}

}  // namespace drav

#endif  // __AVX2__
