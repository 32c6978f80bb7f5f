// The packed renderer on SSE2: two pixels per 128-bit vector of 16-bit lanes,
// four per group. Compiled with -msse2 and run only where the processor has it.
#if defined(__SSE2__)

#include <emmintrin.h>

#include "codec/renderer_packed.h"

namespace drav {
namespace {

struct Sse2 {
    using Vec = __m128i;
    static constexpr uint32_t PIXELS = 2;

    static Vec splat16(int v) { return _mm_set1_epi16(short(v)); }
    static Vec splat32(int v) { return _mm_set1_epi32(v); }
    static Vec splatHalves(uint32_t low, uint32_t high) {
        return _mm_set_epi32(int(high), int(low), int(high), int(low));
    }

    static Vec add16(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec mul16(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
    static Vec add32(Vec a, Vec b) { return _mm_add_epi32(a, b); }
    static Vec madd(Vec a, Vec b) { return _mm_madd_epi16(a, b); }
    static Vec bitAnd(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    template <int N>
    static Vec shiftLeft16(Vec a) {
        return _mm_slli_epi16(a, N);
    }
    template <int N>
    static Vec shiftRight16(Vec a) {
        return _mm_srli_epi16(a, N);
    }
    template <int N>
    static Vec shiftLeft32(Vec a) {
        return _mm_slli_epi32(a, N);
    }
    template <int N>
    static Vec shiftRight32(Vec a) {
        return _mm_srli_epi32(a, N);
    }
    template <int N>
    static Vec shiftRightSigned32(Vec a) {
        return _mm_srai_epi32(a, N);
    }
    template <int N>
    static Vec shiftRight64(Vec a) {
        return _mm_srli_epi64(a, N);
    }
    static Vec unpackLow16(Vec a, Vec b) { return _mm_unpacklo_epi16(a, b); }
    static Vec unpackHigh16(Vec a, Vec b) { return _mm_unpackhi_epi16(a, b); }
    static Vec packSigned32(Vec a, Vec b) { return _mm_packs_epi32(a, b); }
    static Vec packUnsigned16(Vec a, Vec b) { return _mm_packus_epi16(a, b); }

    static Vec load32(const uint8_t* at) {
        int value;
        std::memcpy(&value, at, 4);
        return _mm_cvtsi32_si128(value);
    }

    // The pixels at row + offsets[0] and row + offsets[1], as 16-bit lanes.
    static Vec gather(const uint8_t* row, const uint32_t* offsets) {
        Vec pair = _mm_unpacklo_epi32(load32(row + offsets[0]), load32(row + offsets[1]));
        return _mm_unpacklo_epi8(pair, _mm_setzero_si128());
    }

    // Each pixel's fraction in its four lanes.
    static Vec spreadFractions(const uint16_t* fractions) {
        Vec pair = _mm_cvtsi32_si128(int(fractions[0] | (uint32_t(fractions[1]) << 16)));
        Vec doubled = _mm_unpacklo_epi16(pair, pair);
        return _mm_unpacklo_epi32(doubled, doubled);
    }

    static void storeWhole(uint8_t* at, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }
    static void storeLowHalf(uint8_t* at, Vec v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(at), v); }
    static void storeHalvesOfSix(uint8_t* at, Vec v) {
        storeLowHalf(at, v);
        storeLowHalf(at + 6, _mm_srli_si128(v, 8));
    }

    static void finish() {}
};

}  // namespace

// 32-bit Windows callers may enter with a 4-byte aligned stack; spilled
// vectors need 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void renderPlanSse2(const RenderPlan& plan) {
    renderWithForm<PackedForm<Sse2>>(plan);
}

}  // namespace drav

#endif  // __SSE2__
