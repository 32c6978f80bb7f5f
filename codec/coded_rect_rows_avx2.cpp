// Symbol rows on AVX2: the SSSE3 form's sixteen-symbol groups two at a
// time, one in each 128-bit lane, so a row of unchanged pixels is passed over
// 32 symbols per test. Compiled with -mavx2 and run only where the processor
// has it; what is left of a row after its last 32 symbols goes to the SSSE3
// form.
#if defined(__AVX2__)

#include <immintrin.h>

#include "codec/coded_rect_rows.h"
#include "codec/coded_rect_rows_spread.h"

namespace drav {
namespace {

constexpr uint32_t GROUP = 32;
constexpr uint32_t HALF = 16;  // symbols a lane takes: pixel bytes 0-47 in the low lane, 48-95 in the high

__m128i load128(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }

// Sixteen bytes from each address, `low` in the low lane.
__m256i loadLanes(const void* low, const void* high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load128(low)), load128(high), 1);
}

void storeLanes(void* low, void* high, __m256i bytes) {
    _mm_storeu_si128(static_cast<__m128i*>(low), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(static_cast<__m128i*>(high), _mm256_extracti128_si256(bytes, 1));
}

__m256i spread(int channel, int block) {
    return _mm256_broadcastsi128_si256(load128(SYMBOL_ROW_SPREADS.index[channel][block]));
}

// A channel of the lanes' symbols as bytes: the field at bit `shift`, moved
// to the top five bits of the byte; sixteen pixels a lane.
template <int SHIFT>
__m256i channelBytes(__m256i low, __m256i high) {
    const __m256i topFive = _mm256_set1_epi16(0xF8);
    const auto field = [&](__m256i symbols) {
        return _mm256_and_si256(
            SHIFT <= 3 ? _mm256_slli_epi16(symbols, 3 - SHIFT) : _mm256_srli_epi16(symbols, SHIFT - 3), topFive);
    };
    return _mm256_packus_epi16(field(low), field(high));
}

void applyGroup(uint8_t* pixel, const uint16_t* symbols) {
    // Each lane packs its own halves: symbols 0-7 and 8-15 low, 16-23 and 24-31 high.
    const __m256i low = loadLanes(symbols, symbols + HALF), high = loadLanes(symbols + 8, symbols + HALF + 8);
    const __m256i literals = _mm256_packs_epi16(_mm256_srai_epi16(low, 15), _mm256_srai_epi16(high, 15));
    const uint32_t mask = uint32_t(_mm256_movemask_epi8(literals));
    if (mask == 0) return;
    const __m256i blue = channelBytes<0>(low, high), green = channelBytes<5>(low, high),
                  red = channelBytes<10>(low, high);
    for (int block = 0; block < 3; ++block) {
        __m256i bytes = _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(blue, spread(0, block)), _mm256_shuffle_epi8(green, spread(1, block))),
            _mm256_shuffle_epi8(red, spread(2, block)));
        uint8_t* lowLane = pixel + 16 * block;
        uint8_t* highLane = lowLane + 3 * HALF;
        if (mask != 0xFFFFFFFF) {
            const __m256i keep = _mm256_shuffle_epi8(literals, spread(SymbolRowSpreads::ALL_CHANNELS, block));
            bytes = _mm256_blendv_epi8(loadLanes(lowLane, highLane), bytes, keep);
        }
        storeLanes(lowLane, highLane, bytes);
    }
}

}  // namespace

#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void applyRgb555RowAvx2(uint8_t* pixel, const uint16_t* symbols, uint32_t count) {
    uint32_t i = 0;
    for (; i + GROUP <= count; i += GROUP) applyGroup(pixel + 3 * size_t(i), symbols + i);
    applyRgb555RowSsse3(pixel + 3 * size_t(i), symbols + i, count - i);
}

}  // namespace drav

#endif  // __AVX2__
