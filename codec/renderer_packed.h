// The renderer's formulas on packed 16-bit lanes, written once for any
// instruction set. An `Isa` supplies a vector type `Vec` and its operations;
// `Isa::PIXELS` pixels fit one vector of 16-bit channels (blue, green, red and
// a fourth lane that is computed and then dropped). A group of 2 x PIXELS
// pixels is sampled at a time and stored with one byte vector. Included only
// by the files that define an Isa; every template here is instantiated with
// that file's own Isa, so no code is shared across instruction sets.
#pragma once

#include <cstdint>
#include <cstring>

#include "codec/renderer_forms.h"

namespace drav {

// The three picture rows that samples of one output row read, each at the
// base pixel's row address (picture column 0).
struct PackedRows {
    const uint8_t* above;
    const uint8_t* base;
    const uint8_t* below;
};

template <class Isa>
struct PackedMath {
    using Vec = typename Isa::Vec;

    // left x (2^SHIFT - weight) + right x weight, exact while it fits 16 bits.
    template <int SHIFT>
    static Vec blend(Vec left, Vec right, Vec weight) {
        return Isa::add16(Isa::template shiftLeft16<SHIFT>(left), Isa::mul16(Isa::sub16(right, left), weight));
    }

    // Each lane of the fractions as a weight of BITS bits.
    template <int BITS>
    static Vec fractionWeights(const uint16_t* fractions) {
        return Isa::template shiftRight16<16 - BITS>(Isa::spreadFractions(fractions));
    }
};

template <class Isa>
struct CopyPacked {
    using Vec = typename Isa::Vec;
    explicit CopyPacked(uint32_t) {}
    Vec sample(const PackedRows& rows, const uint32_t* offsets, const uint16_t*) const {
        return Isa::gather(rows.base, offsets);
    }
};

template <class Isa>
class Bilinear8BitPacked {
public:
    using Vec = typename Isa::Vec;
    using Math = PackedMath<Isa>;

    // Per row: the pair (256 - fy, fy) in every 32-bit lane, for madd.
    explicit Bilinear8BitPacked(uint32_t yFraction) {
        int fy = int(yFraction >> 8);
        verticalWeights_ = Isa::splat32((fy << 16) | (256 - fy));
    }

    Vec sample(const PackedRows& rows, const uint32_t* offsets, const uint16_t* fractions) const {
        Vec fx = Math::template fractionWeights<8>(fractions);
        Vec top = Math::template blend<8>(Isa::gather(rows.base, offsets), Isa::gather(rows.base + 3, offsets), fx);
        Vec bottom =
            Math::template blend<8>(Isa::gather(rows.below, offsets), Isa::gather(rows.below + 3, offsets), fx);
        return blendVertically(top, bottom);
    }

private:
    // top x (256 - fy) + bottom x fy needs 24 bits: both move into the signed
    // 16-bit range (minus 32768) for madd, and 32768 x 256 comes back after.
    Vec blendVertically(Vec top, Vec bottom) const {
        Vec toSigned = Isa::splat16(0x8000);
        Vec signedTop = Isa::bitXor(top, toSigned), signedBottom = Isa::bitXor(bottom, toSigned);
        Vec first = Isa::madd(Isa::unpackLow16(signedTop, signedBottom), verticalWeights_);
        Vec second = Isa::madd(Isa::unpackHigh16(signedTop, signedBottom), verticalWeights_);
        Vec unbias = Isa::splat32(0x8000 * 256);
        return Isa::packSigned32(Isa::template shiftRight32<16>(Isa::add32(first, unbias)),
                                 Isa::template shiftRight32<16>(Isa::add32(second, unbias)));
    }

    Vec verticalWeights_;
};

template <class Isa>
class Bilinear4BitPacked {
public:
    using Vec = typename Isa::Vec;
    using Math = PackedMath<Isa>;

    explicit Bilinear4BitPacked(uint32_t yFraction) : gy_(Isa::splat16(int(yFraction >> 12))) {}

    // Every intermediate stays within 16 bits (at most 4,080 and 65,280).
    Vec sample(const PackedRows& rows, const uint32_t* offsets, const uint16_t* fractions) const {
        Vec gx = Math::template fractionWeights<4>(fractions);
        Vec top = Math::template blend<4>(Isa::gather(rows.base, offsets), Isa::gather(rows.base + 3, offsets), gx);
        Vec bottom =
            Math::template blend<4>(Isa::gather(rows.below, offsets), Isa::gather(rows.below + 3, offsets), gx);
        return Isa::template shiftRight16<8>(Math::template blend<4>(top, bottom, gy_));
    }

private:
    Vec gy_;
};

template <class Isa>
struct HalfSmoothPacked {
    using Vec = typename Isa::Vec;
    explicit HalfSmoothPacked(uint32_t) {}

    // A + 2 x middle + B of one column; the kernel is that weighted again
    // across the columns L, P and R, at most 4,080.
    static Vec columnSum(const PackedRows& rows, int column, const uint32_t* offsets) {
        Vec middle = Isa::gather(rows.base + column, offsets);
        return Isa::add16(Isa::add16(Isa::gather(rows.above + column, offsets), Isa::add16(middle, middle)),
                          Isa::gather(rows.below + column, offsets));
    }

    Vec sample(const PackedRows& rows, const uint32_t* offsets, const uint16_t*) const {
        Vec centre = columnSum(rows, 0, offsets);
        Vec sum = Isa::add16(Isa::add16(columnSum(rows, -3, offsets), Isa::add16(centre, centre)),
                             columnSum(rows, 3, offsets));
        return Isa::template shiftRight16<4>(sum);
    }
};

// Stores take a byte vector of 2 x PIXELS pixels, each as the 32-bit value
// blue | green << 8 | red << 16 | junk << 24.
template <class Isa>
struct Bgrx32Packed {
    static constexpr uint32_t BYTES = 4;
    static void put(uint8_t* at, typename Isa::Vec pixels) {
        Isa::storeWhole(at, Isa::bitAnd(pixels, Isa::splat32(0x00FFFFFF)));
    }
};

// Two pixels per 64-bit half close up to six bytes; the store writes two junk
// bytes after the group, which the next pixel overwrites.
template <class Isa>
struct Bgr24Packed {
    static constexpr uint32_t BYTES = 3;
    static void put(uint8_t* at, typename Isa::Vec pixels) {
        auto colours = Isa::bitAnd(pixels, Isa::splat32(0x00FFFFFF));
        auto firsts = Isa::bitAnd(colours, Isa::splatHalves(0xFFFFFFFF, 0));
        auto seconds = Isa::template shiftRight64<8>(Isa::bitAnd(colours, Isa::splatHalves(0, 0xFFFFFFFF)));
        Isa::storeHalvesOfSix(at, Isa::bitOr(firsts, seconds));
    }
};

// 16-bit pixels with GREEN_BITS of green (5 for RGB555, 6 for RGB565): blue in
// bits 0-4, green above it, red above green.
template <class Isa, int GREEN_BITS>
struct Rgb16Packed {
    using Vec = typename Isa::Vec;
    static constexpr uint32_t BYTES = 2;

    // (value >> RIGHT) AND mask of each 32-bit pixel.
    template <int RIGHT>
    static Vec field(Vec pixels, int mask) {
        return Isa::bitAnd(Isa::template shiftRight32<RIGHT>(pixels), Isa::splat32(mask));
    }

    static void put(uint8_t* at, Vec pixels) {
        Vec blue = field<3>(pixels, 0x1F);
        Vec green = field<11 - GREEN_BITS>(pixels, ((1 << GREEN_BITS) - 1) << 5);
        Vec red = field<14 - GREEN_BITS>(pixels, 0x1F << (5 + GREEN_BITS));
        Vec words = Isa::bitOr(Isa::bitOr(blue, green), red);
        Vec packable = GREEN_BITS == 5 ? words : signExtended(words);
        Isa::storeLowHalf(at, Isa::packSigned32(packable, packable));
    }

    // Words with bit 15 set pass the saturating pack unchanged once
    // sign-extended.
    static Vec signExtended(Vec words) {
        return Isa::template shiftRightSigned32<16>(Isa::template shiftLeft32<16>(words));
    }
};

template <class Isa>
struct PackedForm {
    using Vec = typename Isa::Vec;
    static constexpr uint32_t GROUP = 2 * Isa::PIXELS;

    using Copy = CopyPacked<Isa>;
    using Bilinear8Bit = Bilinear8BitPacked<Isa>;
    using Bilinear4Bit = Bilinear4BitPacked<Isa>;
    using HalfSmooth = HalfSmoothPacked<Isa>;
    using Bgr24 = Bgr24Packed<Isa>;
    using Bgrx32 = Bgrx32Packed<Isa>;
    using Rgb555 = Rgb16Packed<Isa, 5>;
    using Rgb565 = Rgb16Packed<Isa, 6>;

    // The next `count` pixels of the row, from xPos on; lanes beyond count
    // repeat the last position so that they read inside the picture. Inlined
    // and unrolled: i686 compilers otherwise call it and loop over the lanes.
    template <class Kernel>
    __attribute__((always_inline)) static Vec sampleGroup(const Kernel& kernel, const PackedRows& rows, uint32_t& xPos,
                                                          uint32_t xStep, uint32_t count) {
        uint32_t offsets[GROUP];
        uint16_t fractions[GROUP];
#pragma GCC unroll 4
        for (uint32_t k = 0; k < GROUP; ++k) {
            offsets[k] = (xPos >> 16) * 3;
            fractions[k] = uint16_t(xPos);
            if (k + 1 < count) xPos += xStep;
        }
        xPos += xStep;
        return Isa::packUnsigned16(kernel.sample(rows, offsets, fractions),
                                   kernel.sample(rows, offsets + Isa::PIXELS, fractions + Isa::PIXELS));
    }

    // Whole groups while at least one pixel follows them (a group may write
    // junk into the next pixel); the last 1 to GROUP pixels go through a
    // buffer so that nothing after the row's pixels is written. The plan's
    // fields are copied first: stores to the output could alias them.
    template <class Kernel, class Store>
    static void renderRow(const Kernel& kernel, const PackedRows& rows, uint8_t* out, const RenderPlan& plan) {
        const uint32_t width = plan.outputWidth, xStep = plan.xStep;
        uint32_t xPos = 0, i = 0;
        for (; i + GROUP < width; i += GROUP)
            Store::put(out + i * Store::BYTES, sampleGroup(kernel, rows, xPos, xStep, GROUP));
        uint32_t remaining = width - i;
        uint8_t last[GROUP * 4];
        Store::put(last, sampleGroup(kernel, rows, xPos, xStep, remaining));
        std::memcpy(out + i * Store::BYTES, last, remaining * Store::BYTES);
    }

    template <class Kernel, class Store>
    static void render(const RenderPlan& plan) {
        uint32_t yPos = plan.yStart;
        for (uint32_t j = 0; j < plan.outputHeight; ++j, yPos += plan.yStep) {
            const uint8_t* base = plan.origin + size_t(yPos >> 16) * plan.pictureStride;
            PackedRows rows{base - plan.pictureStride, base, base + plan.pictureStride};
            renderRow<Kernel, Store>(Kernel(yPos & 0xFFFF), rows, plan.output + ptrdiff_t(j) * plan.outputStride, plan);
        }
        Isa::finish();
    }
};

}  // namespace drav
