#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "codec/codec_stream.h"
#include "codec/frame_coding.h"
#include "codec/renderer.h"
#include "codec/renderer_forms.h"

namespace drav {
namespace {

constexpr uint8_t SENTINEL = 0xA5;

// A bordered work picture holding exactly the rows the renderer may read (top
// border to bottom border), so that a read past them is a heap overflow. The
// border is black; the spare bytes after each row's border hold noise, which
// no output may depend on. The stride is the decoder's unless given.
struct WorkPicture {
    uint32_t width, height, stride;
    std::vector<uint8_t> bytes;

    WorkPicture(uint32_t w, uint32_t h, uint32_t seed = 1, uint32_t rowBytes = 0)
        : width(w),
          height(h),
          stride(rowBytes ? rowBytes : workPictureStrideFor(w)),
          bytes(size_t(stride) * (h + 2), 0) {
        std::mt19937 noise(seed);
        for (uint32_t row = 0; row < h + 2; ++row)
            for (uint32_t at = (w + 2) * 3; at < stride; ++at) bytes[size_t(row) * stride + at] = uint8_t(noise());
    }
    uint8_t* pixel(uint32_t x, uint32_t y) { return &bytes[size_t(y + 1) * stride + (x + 1) * 3]; }
    // Channel c of pixel (x, y); the border and beyond are black.
    int channel(int x, int y, int c) const {
        if (x < 0 || y < 0 || x >= int(width) || y >= int(height)) return 0;
        return bytes[size_t(y + 1) * stride + size_t(x + 1) * 3 + c];
    }
    void fill(uint8_t value) {
        for (uint32_t y = 0; y < height; ++y) std::memset(pixel(0, y), value, width * 3);
    }
    void randomize(std::mt19937& rng) {
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width * 3; ++x) pixel(0, y)[x] = uint8_t(rng());
    }
};

// An output bitmap prefilled with SENTINEL, so that bytes left alone show.
struct OutputBitmap {
    uint32_t width, height;
    OutputFormat format;
    uint32_t rowBytes;
    std::vector<uint8_t> bytes;

    OutputBitmap(uint32_t w, uint32_t h, OutputFormat f)
        : width(w),
          height(h),
          format(f),
          rowBytes(outputRowBytes(w, outputBitCount(f))),
          bytes(size_t(rowBytes) * h, SENTINEL) {}
    const uint8_t* at(uint32_t i, uint32_t j) const {
        return &bytes[size_t(j) * rowBytes + size_t(i) * (outputBitCount(format) / 8)];
    }
    // Blue, green and red of a BGR24 or BGRX32 output pixel.
    int channel(uint32_t i, uint32_t j, int c) const { return at(i, j)[c]; }
};

FrameDecodeContext contextFor(WorkPicture& picture, OutputBitmap& output, ScaleMode mode, bool smoothedHalf) {
    FrameDecodeContext context{};
    context.sourceWidth = picture.width;
    context.sourceHeight = picture.height;
    context.outputWidth = output.width;
    context.outputHeight = output.height;
    context.outputBitCount = outputBitCount(output.format);
    context.output = output.bytes.data();
    context.picture = picture.bytes.data();
    context.pictureSize = uint32_t(picture.bytes.size());
    context.pictureStride = picture.stride;
    context.outputFormat = output.format;
    context.scaleMode = mode;
    context.forms = smoothedHalf ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    return context;
}

OutputBitmap render(WorkPicture& picture, uint32_t width, uint32_t height, OutputFormat format, ScaleMode mode,
                    bool smoothedHalf) {
    OutputBitmap output(width, height, format);
    renderOutput(contextFor(picture, output, mode, smoothedHalf));
    return output;
}

const OutputFormat ALL_FORMATS[] = {OutputFormat::Bgr24, OutputFormat::Bgrx32, OutputFormat::Rgb555,
                                    OutputFormat::Rgb565};

struct Kernel {
    ScaleMode mode;
    bool smoothedHalf;
};
const Kernel ALL_KERNELS[] = {
    {SCALE_COPY, false}, {SCALE_BILINEAR, false}, {SCALE_BILINEAR, true}, {SCALE_HALF_SMOOTH, true}};

// ---- The worked examples ----

TEST(RendererExamples, SameSizeBgr24IsThePictureRowForRow) {
    std::mt19937 rng(7);
    WorkPicture picture(37, 11);
    picture.randomize(rng);
    OutputBitmap output = render(picture, 37, 11, OutputFormat::Bgr24, SCALE_COPY, true);
    for (uint32_t j = 0; j < 11; ++j) {
        EXPECT_EQ(0, std::memcmp(picture.pixel(0, j), output.at(0, j), 37 * 3)) << "row " << j;
        EXPECT_EQ(SENTINEL, output.at(0, j)[111]) << "padding of row " << j;
    }
}

TEST(RendererExamples, SameSizeRgb555ReproducesA16BitPicture) {
    std::mt19937 rng(8);
    const uint32_t width = 13, height = 6;
    WorkPicture picture(width, height);
    std::vector<uint16_t> words(width * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint16_t p = uint16_t(rng() & 0x7FFF);
            words[y * width + x] = p;
            uint8_t* at = picture.pixel(x, y);  // as a RawRect chunk expands it
            at[0] = uint8_t((p & 0x1F) << 3);
            at[1] = uint8_t(((p >> 5) & 0x1F) << 3);
            at[2] = uint8_t(((p >> 10) & 0x1F) << 3);
        }
    OutputBitmap output = render(picture, width, height, OutputFormat::Rgb555, SCALE_COPY, false);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) ASSERT_EQ(words[y * width + x], readU16(output.at(x, y))) << x << "," << y;
}

// The 3x3 kernel at picture pixel (x, y), computed from coordinates.
int smoothed(const WorkPicture& picture, int x, int y, int c) {
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) sum += (2 - dx * dx) * (2 - dy * dy) * picture.channel(x + dx, y + dy, c);
    return sum >> 4;
}

// 100x80 -> 50x40 samples base pixels (2i, 2j): smoothed in the smoothed-half forms,
// exactly the pixel (fractions 0) without it.
TEST(RendererExamples, HalfSizeFollowsTheScalingForms) {
    std::mt19937 rng(9);
    WorkPicture picture(100, 80);
    picture.randomize(rng);
    OutputBitmap smooth = render(picture, 50, 40, OutputFormat::Bgr24, SCALE_HALF_SMOOTH, true);
    OutputBitmap plain = render(picture, 50, 40, OutputFormat::Bgr24, SCALE_BILINEAR, false);
    for (uint32_t j = 0; j < 40; ++j)
        for (uint32_t i = 0; i < 50; ++i) {
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(smoothed(picture, 2 * i, 2 * j, c), smooth.channel(i, j, c)) << i << "," << j;
            ASSERT_EQ(0, std::memcmp(picture.pixel(2 * i, 2 * j), plain.at(i, j), 3)) << i << "," << j;
        }
}

TEST(RendererExamples, HalfSmoothingGivesTheBorderItsWeight) {
    WorkPicture picture(100, 80);
    picture.fill(160);
    OutputBitmap output = render(picture, 50, 40, OutputFormat::Bgrx32, SCALE_HALF_SMOOTH, true);
    EXPECT_EQ(160 * 9 / 16, output.channel(0, 0, 0));   // border weight 7 of 16
    EXPECT_EQ(160 * 12 / 16, output.channel(1, 0, 1));  // row 0: 4 of 16
    EXPECT_EQ(160 * 12 / 16, output.channel(0, 1, 2));  // column 0: 4 of 16
    EXPECT_EQ(160, output.channel(1, 1, 0));
    EXPECT_EQ(160, output.channel(49, 39, 0));  // base pixel (98, 78) has picture on every side
}

TEST(RendererExamples, DoublingBlendsTheLastColumnWithTheBorder) {
    WorkPicture picture(50, 40);
    picture.fill(200);
    OutputBitmap output = render(picture, 100, 80, OutputFormat::Bgr24, SCALE_BILINEAR, false);
    for (uint32_t j = 0; j < 78; j += 2) {
        EXPECT_EQ(100, output.channel(99, j, 1)) << "row " << j;  // fx 128 against black
        EXPECT_EQ(200, output.channel(98, j, 1)) << "row " << j;  // fx 0
    }
}

// 271 -> 256 makes xStep 0x10F00: column 1 samples P = pixel 1 and R = pixel 2
// at fraction 0x0F00 (fx 15, gx 0), with vertical fraction 0.
TEST(RendererExamples, TheTwoBilinearFormsDifferAsSpecified) {
    WorkPicture picture(271, 2);
    std::memset(picture.pixel(2, 0), 255, 3);
    OutputBitmap plain = render(picture, 256, 2, OutputFormat::Bgr24, SCALE_BILINEAR, false);
    OutputBitmap packed = render(picture, 256, 2, OutputFormat::Bgr24, SCALE_BILINEAR, true);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(14, plain.channel(1, 0, c));
        EXPECT_EQ(0, packed.channel(1, 0, c));
    }
}

TEST(RendererExamples, Bgrx32WritesZeroIntoTheFourthByte) {
    std::mt19937 rng(11);
    WorkPicture picture(23, 9);
    picture.randomize(rng);
    for (const Kernel& kernel : ALL_KERNELS) {
        OutputBitmap output = render(picture, 17, 5, OutputFormat::Bgrx32, kernel.mode, kernel.smoothedHalf);
        for (uint32_t j = 0; j < 5; ++j)
            for (uint32_t i = 0; i < 17; ++i) ASSERT_EQ(0, output.at(i, j)[3]) << "mode " << int(kernel.mode);
    }
}

TEST(RendererExamples, OutputWidthOneSamplesColumnZero) {
    std::mt19937 rng(12);
    WorkPicture picture(7, 5);
    picture.randomize(rng);
    for (const Kernel& kernel :
         {Kernel{SCALE_COPY, false}, Kernel{SCALE_BILINEAR, false}, Kernel{SCALE_BILINEAR, true}}) {
        OutputBitmap output = render(picture, 1, 5, OutputFormat::Bgr24, kernel.mode, kernel.smoothedHalf);
        for (uint32_t j = 0; j < 5; ++j) ASSERT_EQ(0, std::memcmp(picture.pixel(0, j), output.at(0, j), 3));
    }
}

TEST(RendererExamples, RowPaddingIsNeverWritten) {
    std::mt19937 rng(13);
    WorkPicture picture(9, 4);
    picture.randomize(rng);
    for (const Kernel& kernel : ALL_KERNELS)
        for (OutputFormat format : ALL_FORMATS)
            for (uint32_t width = 1; width <= 9; ++width) {
                OutputBitmap output = render(picture, width, 3, format, kernel.mode, kernel.smoothedHalf);
                uint32_t used = width * outputBitCount(format) / 8;
                for (uint32_t j = 0; j < 3; ++j)
                    for (uint32_t at = used; at < output.rowBytes; ++at)
                        ASSERT_EQ(SENTINEL, output.bytes[j * output.rowBytes + at])
                            << "width " << width << " format " << int(format);
            }
}

TEST(RendererExamples, RgbFormatsPackTheHighBitsOfEachChannel) {
    WorkPicture picture(1, 1);
    const uint8_t bgr[3] = {0xFF, 0x84, 0x10};
    std::memcpy(picture.pixel(0, 0), bgr, 3);
    EXPECT_EQ(0x1F | (0x10 << 5) | (0x02 << 10),
              readU16(render(picture, 1, 1, OutputFormat::Rgb555, SCALE_COPY, false).at(0, 0)));
    EXPECT_EQ(0x1F | (0x21 << 5) | (0x02 << 11),
              readU16(render(picture, 1, 1, OutputFormat::Rgb565, SCALE_COPY, false).at(0, 0)));
    EXPECT_EQ(0x1084FFu, readU32(render(picture, 1, 1, OutputFormat::Bgrx32, SCALE_COPY, false).at(0, 0)));
}

// ---- Requests that must write nothing ----

bool writesNothing(const OutputBitmap& output, const FrameDecodeContext& context) {
    renderOutput(context);
    renderOutputReference(context);
    for (uint8_t byte : output.bytes)
        if (byte != SENTINEL) return false;
    return true;
}

TEST(RendererRefuses, EmptyAndInconsistentRequests) {
    WorkPicture picture(8, 8);
    picture.fill(50);
    OutputBitmap output(8, 8, OutputFormat::Bgrx32);
    const FrameDecodeContext good = contextFor(picture, output, SCALE_BILINEAR, false);
    struct Case {
        const char* what;
        void (*spoil)(FrameDecodeContext&);
    };
    const Case cases[] = {
        {"output width 0", [](FrameDecodeContext& c) { c.outputWidth = 0; }},
        {"output height 0", [](FrameDecodeContext& c) { c.outputHeight = 0; }},
        {"no output", [](FrameDecodeContext& c) { c.output = nullptr; }},
        {"no picture", [](FrameDecodeContext& c) { c.picture = nullptr; }},
        {"bit count of another format", [](FrameDecodeContext& c) { c.outputBitCount = 24; }},
        {"unknown format", [](FrameDecodeContext& c) { c.outputFormat = OutputFormat(5); }},
        {"unknown scale mode", [](FrameDecodeContext& c) { c.scaleMode = 3; }},
        {"source width 0", [](FrameDecodeContext& c) { c.sourceWidth = 0; }},
        {"source wider than the format", [](FrameDecodeContext& c) { c.sourceWidth = 65536; }},
        {"output wider than the format", [](FrameDecodeContext& c) { c.outputWidth = 65536; }},
        {"stride too small for the width", [](FrameDecodeContext& c) { c.sourceWidth = c.pictureStride / 3 - 2; }},
        {"picture too small for the height", [](FrameDecodeContext& c) { c.pictureSize -= 1; }},
        {"picture taller than its buffer", [](FrameDecodeContext& c) { c.sourceHeight += 1; }},
    };
    ASSERT_FALSE(writesNothing(output, good));
    for (const Case& spoilt : cases) {
        std::fill(output.bytes.begin(), output.bytes.end(), SENTINEL);
        FrameDecodeContext context = good;
        spoilt.spoil(context);
        EXPECT_TRUE(writesNothing(output, context)) << spoilt.what;
    }
}

// ---- Every optimised form against the reference ----

std::vector<const RenderForm*> optimisedForms() {
    std::vector<const RenderForm*> forms;
    for (unsigned i = 0; i + 1 < RENDER_FORM_COUNT; ++i)
        if (RENDER_FORMS[i].isSupported()) forms.push_back(&RENDER_FORMS[i]);
    return forms;
}

// Renders with the reference, with each supported optimised form and through
// renderOutput; every output must be the reference's, padding included.
void expectFormsAgree(WorkPicture& picture, uint32_t width, uint32_t height) {
    for (const Kernel& kernel : ALL_KERNELS)
        for (OutputFormat format : ALL_FORMATS) {
            OutputBitmap expected(width, height, format);
            renderOutputReference(contextFor(picture, expected, kernel.mode, kernel.smoothedHalf));
            std::string where = std::to_string(picture.width) + "x" + std::to_string(picture.height) + " -> " +
                                std::to_string(width) + "x" + std::to_string(height) + " mode " +
                                std::to_string(kernel.mode) + (kernel.smoothedHalf ? " smoothedHalf" : "") +
                                " format " + std::to_string(unsigned(format));
            for (const RenderForm* form : optimisedForms()) {
                OutputBitmap actual(width, height, format);
                RenderPlan plan;
                ASSERT_TRUE(planRender(contextFor(picture, actual, kernel.mode, kernel.smoothedHalf), plan));
                form->render(plan);
                ASSERT_EQ(expected.bytes, actual.bytes) << form->name << ": " << where;
            }
            OutputBitmap dispatched(width, height, format);
            renderOutput(contextFor(picture, dispatched, kernel.mode, kernel.smoothedHalf));
            ASSERT_EQ(expected.bytes, dispatched.bytes) << "renderOutput: " << where;
        }
}

TEST(RendererForms, ThisProcessorRunsAnOptimisedForm) {
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_FALSE(optimisedForms().empty());
#endif
}

TEST(RendererForms, MatchTheReferenceOnRandomPicturesOfEverySize) {
    std::mt19937 rng(14);
    for (uint32_t width = 1; width <= 70; ++width) {
        uint32_t height = 1 + uint32_t(rng() % 7);
        // Odd widths get the smallest stride the renderer accepts: one spare
        // pixel after the border.
        WorkPicture picture(width, height, width, width % 2 ? 3 * (width + 3) : 0);
        picture.randomize(rng);
        const uint32_t outputs[][2] = {
            {width, height},                                           // same size
            {width / 2 ? width / 2 : 1, height / 2 ? height / 2 : 1},  // halves, of odd sizes too
            {1 + uint32_t(rng() % 70), 1 + uint32_t(rng() % 9)},       // up or down
            {2 * width + 1, 2 * height + 1},                           // more than doubled
        };
        for (const auto& size : outputs) expectFormsAgree(picture, size[0], size[1]);
    }
}

TEST(RendererForms, MatchTheReferenceAtTheLargestWidth) {
    std::mt19937 rng(15);
    WorkPicture wide(65535, 2);
    wide.randomize(rng);
    expectFormsAgree(wide, 65535, 2);
    expectFormsAgree(wide, 32767, 1);
    expectFormsAgree(wide, 40001, 3);
    WorkPicture narrow(3, 2);
    narrow.randomize(rng);
    expectFormsAgree(narrow, 65535, 1);
}

TEST(RendererForms, TheFastestFormIsTheOneThisProcessorOffers) {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    ASSERT_FALSE(optimisedForms().empty());
    const char* fastest = __builtin_cpu_supports("avx2") ? "avx2" : __builtin_cpu_supports("ssse3") ? "ssse3" : "sse2";
    EXPECT_EQ(std::string(fastest), optimisedForms().front()->name);
#endif
}

// ---- Same-size rows, fenced in ----

// Output rows FENCE bytes apart, with POISON before, between and after them:
// a write outside any row's pixel bytes shows.
struct FencedOutput {
    static constexpr uint32_t FENCE = 32;
    static constexpr uint8_t POISON = 0xCC;
    uint32_t pixelBytes, stride, height;
    std::vector<uint8_t> bytes;

    FencedOutput(uint32_t width, uint32_t h, OutputFormat format)
        : pixelBytes(width * outputBitCount(format) / 8),
          stride(pixelBytes + FENCE),
          height(h),
          bytes(FENCE + size_t(stride) * h, POISON) {}
    uint8_t* row(uint32_t j) { return &bytes[FENCE + size_t(j) * stride]; }
    bool fencesIntact() const {
        for (size_t at = 0; at < bytes.size(); ++at) {
            bool inRow = at >= FENCE && (at - FENCE) % stride < pixelBytes;
            if (!inRow && bytes[at] != POISON) return false;
        }
        return true;
    }
};

// A work picture whose stride leaves a gap after each row's spare pixel.
// Under AddressSanitizer the gaps are unreadable, so a form reading past what
// planRender guarantees fails; elsewhere the picture is an ordinary one.
struct FencedPicture : WorkPicture {
    static constexpr uint32_t GAP = 24;  // wider than any one load
    FencedPicture(uint32_t w, uint32_t h, uint32_t seed) : WorkPicture(w, h, seed, (readable(w) + GAP + 7) & ~7u) {
        setGapsReadable(false);
    }
    ~FencedPicture() { setGapsReadable(true); }
    FencedPicture(const FencedPicture&) = delete;
    FencedPicture& operator=(const FencedPicture&) = delete;

    static uint32_t readable(uint32_t w) { return 3 * (w + 3); }  // border, pixels, border, spare
    // Each gap ends where the next row starts, on an 8-byte boundary, which
    // is what the sanitizer needs to poison exactly the gap.
    void setGapsReadable(bool readableGaps) {
#if defined(__SANITIZE_ADDRESS__)
        for (uint32_t row = 0; row < height + 2; ++row) {
            uint8_t* gap = &bytes[size_t(row) * stride + readable(width)];
            size_t size = stride - readable(width);
            if (readableGaps)
                ASAN_UNPOISON_MEMORY_REGION(gap, size);
            else
                ASAN_POISON_MEMORY_REGION(gap, size);
        }
#else
        (void)readableGaps;
#endif
    }
};

// Renders `context` at the same size with every optimised form into fenced
// rows; row j must be row firstRow + j of `expected`, and nothing else written.
void expectFencedRowsMatch(const FrameDecodeContext& context, const OutputBitmap& expected, uint32_t firstRow,
                           const std::string& where) {
    for (const RenderForm* form : optimisedForms()) {
        FencedOutput fenced(context.outputWidth, context.outputHeight, expected.format);
        RenderPlan plan;
        ASSERT_TRUE(planRender(context, plan)) << where;
        plan.output = fenced.row(0);
        plan.outputStride = fenced.stride;
        form->render(plan);
        ASSERT_TRUE(fenced.fencesIntact()) << form->name << ": " << where;
        for (uint32_t j = 0; j < context.outputHeight; ++j)
            ASSERT_EQ(0, std::memcmp(expected.at(0, firstRow + j), fenced.row(j), fenced.pixelBytes))
                << form->name << ": " << where << " row " << j;
    }
}

void expectSameSizeMatches(uint32_t width, uint32_t height, std::mt19937& rng) {
    FencedPicture picture(width, height, width);
    picture.randomize(rng);
    for (OutputFormat format : ALL_FORMATS) {
        OutputBitmap expected(width, height, format);
        renderOutputReference(contextFor(picture, expected, SCALE_COPY, false));
        OutputBitmap unused(width, height, format);
        expectFencedRowsMatch(contextFor(picture, unused, SCALE_COPY, false), expected, 0,
                              "width " + std::to_string(width) + " format " + std::to_string(unsigned(format)));
    }
}

TEST(RendererSameSize, EveryFormWritesTheReferencePixelsAndNothingElse) {
    std::mt19937 rng(16);
    for (uint32_t width = 1; width <= 40; ++width) expectSameSizeMatches(width, 1 + width % 4, rng);
    for (uint32_t width : {1279u, 1283u, 4097u, 65535u}) expectSameSizeMatches(width, 2, rng);
}

// Rows first to first + count of a picture, given as a picture of their own
// that starts one row earlier (its top border), as the decoder tool renders
// row bands: they must come out as those rows of the whole picture.
TEST(RendererSameSize, ABandOfRowsIsThoseRowsOfTheWholePicture) {
    std::mt19937 rng(17);
    const uint32_t width = 203, height = 20;
    FencedPicture picture(width, height, 3);
    picture.randomize(rng);
    const uint32_t bands[][2] = {{0, 1}, {5, 7}, {13, 7}, {19, 1}};
    for (OutputFormat format : ALL_FORMATS) {
        OutputBitmap whole(width, height, format);
        renderOutputReference(contextFor(picture, whole, SCALE_COPY, false));
        for (const auto& band : bands) {
            OutputBitmap unused(width, band[1], format);
            FrameDecodeContext context = contextFor(picture, unused, SCALE_COPY, false);
            size_t skipped = size_t(band[0]) * picture.stride;
            context.picture += skipped;
            context.pictureSize -= uint32_t(skipped);
            context.sourceHeight = band[1];
            expectFencedRowsMatch(context, whole, band[0],
                                  "band " + std::to_string(band[0]) + " format " + std::to_string(unsigned(format)));
        }
    }
}

TEST(RendererForms, TheMmxFormLeavesFloatingPointUsable) {
    for (const RenderForm* form : optimisedForms()) {
        if (std::string(form->name) != "mmx") continue;
        WorkPicture picture(5, 5);
        picture.fill(90);
        OutputBitmap output(3, 3, OutputFormat::Bgr24);
        RenderPlan plan;
        ASSERT_TRUE(planRender(contextFor(picture, output, SCALE_BILINEAR, true), plan));
        form->render(plan);
        volatile double tenth = 0.1;
        double sum = 0;
        for (int i = 0; i < 10; ++i) sum += tenth * 3;  // x87 stack use on i686
        EXPECT_NEAR(3.0, sum, 1e-9);
        return;
    }
    GTEST_SKIP() << "no MMX form on this processor";
}

}  // namespace
}  // namespace drav
