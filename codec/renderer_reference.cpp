// The renderer's formulas in plain scalar code, one channel at a time: the
// form every processor runs and the one the packed forms are checked against.
#include "codec/frame_coding.h"
#include "codec/renderer_forms.h"

namespace drav {
namespace {

// The picture bytes around one sample: `base` is the base pixel P, `above`
// and `below` the same column in the previous and next row in memory order.
struct SampleSite {
    const uint8_t* above;
    const uint8_t* base;
    const uint8_t* below;
    uint32_t xFraction;  // low 16 bits of xPos
    uint32_t yFraction;  // low 16 bits of yPos
};

struct CopyKernel {
    static int channel(const SampleSite& site, int c) { return site.base[c]; }
};

struct Bilinear8BitKernel {
    static int channel(const SampleSite& site, int c) {
        int fx = int(site.xFraction >> 8), fy = int(site.yFraction >> 8);
        int p = site.base[c], r = site.base[c + 3], b = site.below[c], br = site.below[c + 3];
        int top = p * 256 + (r - p) * fx;
        int bottom = b * 256 + (br - b) * fx;
        return (top * 256 + (bottom - top) * fy) >> 16;
    }
};

struct Bilinear4BitKernel {
    static int channel(const SampleSite& site, int c) {
        int gx = int(site.xFraction >> 12), gy = int(site.yFraction >> 12);
        int p = site.base[c], r = site.base[c + 3], b = site.below[c], br = site.below[c + 3];
        return ((p * (16 - gx) + r * gx) * (16 - gy) + (b * (16 - gx) + br * gx) * gy) >> 8;
    }
};

struct HalfSmoothKernel {
    static int rowSum(const uint8_t* row, int c) { return row[c - 3] + 2 * row[c] + row[c + 3]; }
    static int channel(const SampleSite& site, int c) {
        return (rowSum(site.above, c) + 2 * rowSum(site.base, c) + rowSum(site.below, c)) >> 4;
    }
};

struct Bgr24Store {
    static constexpr uint32_t BYTES = 3;
    static void put(uint8_t* at, int blue, int green, int red) {
        at[0] = uint8_t(blue);
        at[1] = uint8_t(green);
        at[2] = uint8_t(red);
    }
};

struct Bgrx32Store {
    static constexpr uint32_t BYTES = 4;
    static void put(uint8_t* at, int blue, int green, int red) {
        writeU32(at, uint32_t(blue | (green << 8) | (red << 16)));
    }
};

struct Rgb555Store {
    static constexpr uint32_t BYTES = 2;
    static void put(uint8_t* at, int blue, int green, int red) {
        writeU16(at, uint16_t((blue >> 3) | ((green >> 3) << 5) | ((red >> 3) << 10)));
    }
};

struct Rgb565Store {
    static constexpr uint32_t BYTES = 2;
    static void put(uint8_t* at, int blue, int green, int red) {
        writeU16(at, uint16_t((blue >> 3) | ((green >> 2) << 5) | ((red >> 3) << 11)));
    }
};

struct ReferenceForm {
    using Copy = CopyKernel;
    using Bilinear8Bit = Bilinear8BitKernel;
    using Bilinear4Bit = Bilinear4BitKernel;
    using HalfSmooth = HalfSmoothKernel;
    using Bgr24 = Bgr24Store;
    using Bgrx32 = Bgrx32Store;
    using Rgb555 = Rgb555Store;
    using Rgb565 = Rgb565Store;

    template <class Kernel, class Store>
    static void render(const RenderPlan& plan) {
        uint32_t yPos = plan.yStart;
        for (uint32_t j = 0; j < plan.outputHeight; ++j, yPos += plan.yStep) {
            const uint8_t* row = plan.origin + size_t(yPos >> 16) * plan.pictureStride;
            uint8_t* out = plan.output + ptrdiff_t(j) * plan.outputStride;
            uint32_t xPos = 0;
            for (uint32_t i = 0; i < plan.outputWidth; ++i, xPos += plan.xStep, out += Store::BYTES) {
                const uint8_t* base = row + size_t(xPos >> 16) * 3;
                SampleSite site{base - plan.pictureStride, base, base + plan.pictureStride, xPos & 0xFFFF,
                                yPos & 0xFFFF};
                Store::put(out, Kernel::channel(site, 0), Kernel::channel(site, 1), Kernel::channel(site, 2));
            }
        }
    }
};

}  // namespace

void renderPlanReference(const RenderPlan& plan) { renderWithForm<ReferenceForm>(plan); }

}  // namespace drav
