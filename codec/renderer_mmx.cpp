// The packed renderer on MMX: one pixel per 64-bit vector of 16-bit lanes,
// two per group, for processors without SSE2. Compiled with -mmmx and run
// only where the processor has it; the MMX state is cleared before returning.
#if defined(__MMX__)

#include <mmintrin.h>

#include "codec/renderer_packed.h"

namespace drav {
namespace {

struct Mmx {
    using Vec = __m64;
    static constexpr uint32_t PIXELS = 1;

    static Vec splat16(int v) { return _mm_set1_pi16(short(v)); }
    static Vec splat32(int v) { return _mm_set1_pi32(v); }
    static Vec splatHalves(uint32_t low, uint32_t high) { return _mm_set_pi32(int(high), int(low)); }

    static Vec add16(Vec a, Vec b) { return _mm_add_pi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm_sub_pi16(a, b); }
    static Vec mul16(Vec a, Vec b) { return _mm_mullo_pi16(a, b); }
    static Vec add32(Vec a, Vec b) { return _mm_add_pi32(a, b); }
    static Vec madd(Vec a, Vec b) { return _mm_madd_pi16(a, b); }
    static Vec bitAnd(Vec a, Vec b) { return _mm_and_si64(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm_or_si64(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm_xor_si64(a, b); }
    template <int N>
    static Vec shiftLeft16(Vec a) {
        return _mm_slli_pi16(a, N);
    }
    template <int N>
    static Vec shiftRight16(Vec a) {
        return _mm_srli_pi16(a, N);
    }
    template <int N>
    static Vec shiftLeft32(Vec a) {
        return _mm_slli_pi32(a, N);
    }
    template <int N>
    static Vec shiftRight32(Vec a) {
        return _mm_srli_pi32(a, N);
    }
    template <int N>
    static Vec shiftRightSigned32(Vec a) {
        return _mm_srai_pi32(a, N);
    }
    template <int N>
    static Vec shiftRight64(Vec a) {
        return _mm_srli_si64(a, N);
    }
    static Vec unpackLow16(Vec a, Vec b) { return _mm_unpacklo_pi16(a, b); }
    static Vec unpackHigh16(Vec a, Vec b) { return _mm_unpackhi_pi16(a, b); }
    static Vec packSigned32(Vec a, Vec b) { return _mm_packs_pi32(a, b); }
    static Vec packUnsigned16(Vec a, Vec b) { return _mm_packs_pu16(a, b); }

    // The pixel at row + offsets[0], as 16-bit lanes.
    static Vec gather(const uint8_t* row, const uint32_t* offsets) {
        int value;
        std::memcpy(&value, row + offsets[0], 4);
        return _mm_unpacklo_pi8(_mm_cvtsi32_si64(value), _mm_setzero_si64());
    }

    static Vec spreadFractions(const uint16_t* fractions) {
        Vec single = _mm_cvtsi32_si64(fractions[0]);
        Vec doubled = _mm_unpacklo_pi16(single, single);
        return _mm_unpacklo_pi32(doubled, doubled);
    }

    static void storeWhole(uint8_t* at, Vec v) { std::memcpy(at, &v, 8); }
    static void storeLowHalf(uint8_t* at, Vec v) {
        int low = _mm_cvtsi64_si32(v);
        std::memcpy(at, &low, 4);
    }
    static void storeHalvesOfSix(uint8_t* at, Vec v) { storeWhole(at, v); }

    static void finish() { _mm_empty(); }
};

}  // namespace

void renderPlanMmx(const RenderPlan& plan) { renderWithForm<PackedForm<Mmx>>(plan); }

}  // namespace drav

#endif  // __MMX__
