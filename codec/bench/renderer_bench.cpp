// Output rendering on 1280x720 and 1920x1080 pictures tiled from a real screen
// frame: every scale mode and output format through renderOutput,
// each form on its own, and memcpy of the same output bytes as the physical
// reference. Needs DRAV_CORPUS_RAW (a directory made by scripts/corpus-raw.sh).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "codec/codec_stream.h"
#include "codec/renderer.h"
#include "codec/renderer_forms.h"
#include "codec/tests/test_support.h"

namespace drav {
namespace {

// A black-bordered work picture, laid out as the decompressor keeps it.
struct BenchPicture {
    uint32_t width = 0, height = 0, stride = 0;
    std::vector<uint8_t> bytes;
};

// The first frame of the corpus's first clip (32-bit, bottom-up), tiled to the size.
const BenchPicture* screenPicture(uint32_t width, uint32_t height) {
    static test::CorpusClip clip;
    static const std::vector<std::string> names = test::corpusClipNames(32);
    static bool loaded = !names.empty() && test::loadCorpusClip(names[0], 32, 1, clip) && clip.frameCount == 1;
    static std::vector<std::unique_ptr<BenchPicture>> pictures;
    if (!loaded) return nullptr;
    for (const auto& picture : pictures)
        if (picture->width == width && picture->height == height) return picture.get();

    auto picture = std::make_unique<BenchPicture>();
    picture->width = width;
    picture->height = height;
    picture->stride = workPictureStrideFor(width);
    picture->bytes.assign(size_t(picture->stride) * (height + 4), 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* from = clip.frame(0) + (size_t(y % clip.height) * clip.width + x % clip.width) * 4;
            std::memcpy(&picture->bytes[size_t(y + 1) * picture->stride + (x + 1) * 3], from, 3);
        }
    pictures.push_back(std::move(picture));
    return pictures.back().get();
}

struct Scenario {
    const char* name;
    uint32_t sourceWidth, sourceHeight, outputWidth, outputHeight;
    ScaleMode mode;
    bool smoothedHalf;
};

const Scenario SCENARIOS[] = {
    {"copy", 1280, 720, 1280, 720, SCALE_COPY, false},
    {"bilinear", 1280, 720, 1024, 576, SCALE_BILINEAR, false},
    {"bilinear_4bit", 1280, 720, 1024, 576, SCALE_BILINEAR, true},
    {"half_smooth", 1280, 720, 640, 360, SCALE_HALF_SMOOTH, true},
    {"upscale", 1280, 720, 1920, 1080, SCALE_BILINEAR, false},
    {"upscale_4bit", 1280, 720, 1920, 1080, SCALE_BILINEAR, true},
    {"copy", 1920, 1080, 1920, 1080, SCALE_COPY, false},
    {"bilinear", 1920, 1080, 1280, 720, SCALE_BILINEAR, false},
    {"bilinear_4bit", 1920, 1080, 1280, 720, SCALE_BILINEAR, true},
    {"half_smooth", 1920, 1080, 960, 540, SCALE_HALF_SMOOTH, true},
};

struct Format {
    const char* name;
    OutputFormat format;
    uint32_t bitCount;
};

const Format FORMATS[] = {{"bgr24", OutputFormat::Bgr24, 24},
                          {"bgrx32", OutputFormat::Bgrx32, 32},
                          {"rgb555", OutputFormat::Rgb555, 16},
                          {"rgb565", OutputFormat::Rgb565, 16}};

std::string sizeName(uint32_t width, uint32_t height) { return std::to_string(width) + "x" + std::to_string(height); }

void reportOutput(benchmark::State& state, uint32_t width, uint32_t height, uint64_t bytes) {
    state.counters["pixels/s"] =
        benchmark::Counter(double(uint64_t(width) * height), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}

// Runs render(context) over and over into an output bitmap of the scenario.
template <class Render>
void benchmarkRender(benchmark::State& state, const Scenario& scenario, const Format& format, Render render) {
    const BenchPicture* picture = screenPicture(scenario.sourceWidth, scenario.sourceHeight);
    if (!picture) {
        state.SkipWithError("corpus not available: set DRAV_CORPUS_RAW");
        return;
    }
    uint32_t rowBytes = outputRowBytes(scenario.outputWidth, format.bitCount);
    std::vector<uint8_t> output(size_t(rowBytes) * scenario.outputHeight);
    FrameDecodeContext context{};
    context.sourceWidth = scenario.sourceWidth;
    context.sourceHeight = scenario.sourceHeight;
    context.outputWidth = scenario.outputWidth;
    context.outputHeight = scenario.outputHeight;
    context.outputBitCount = format.bitCount;
    context.output = output.data();
    context.picture = const_cast<uint8_t*>(picture->bytes.data());
    context.pictureSize = uint32_t(picture->bytes.size());
    context.pictureStride = picture->stride;
    context.outputFormat = format.format;
    context.scaleMode = scenario.mode;
    context.forms = scenario.smoothedHalf ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    for (auto _ : state) {
        render(context);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportOutput(state, scenario.outputWidth, scenario.outputHeight, output.size());
}

void benchmarkMemcpy(benchmark::State& state, uint32_t width, uint32_t height, uint32_t bitCount) {
    size_t bytes = size_t(outputRowBytes(width, bitCount)) * height;
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    reportOutput(state, width, height, bytes);
}

void registerRenderOutput(const Scenario& scenario, const Format& format) {
    std::string name = "renderOutput/" + sizeName(scenario.sourceWidth, scenario.sourceHeight) + "/" + scenario.name +
                       "/" + format.name;
    benchmark::RegisterBenchmark(name.c_str(), [&scenario, &format](benchmark::State& state) {
        benchmarkRender(state, scenario, format, [](const FrameDecodeContext& context) { renderOutput(context); });
    });
}

// Each form on its own (the packed forms without the same-size row copy).
void registerForm(const RenderForm& form, const Scenario& scenario, const Format& format) {
    std::string name = std::string("form/") + form.name + "/" + scenario.name + "/" + format.name;
    benchmark::RegisterBenchmark(name.c_str(), [&form, &scenario, &format](benchmark::State& state) {
        if (!form.isSupported()) return state.SkipWithError("not supported by this processor");
        benchmarkRender(state, scenario, format, [&form](const FrameDecodeContext& context) {
            RenderPlan plan;
            if (planRender(context, plan)) form.render(plan);
        });
    });
}

// Same size one row at a time, each row a picture of its own, as the decoder
// tool renders: the per-call cost of renderOutput shows against "copy".
void renderRowByRow(const FrameDecodeContext& whole) {
    FrameDecodeContext row = whole;
    row.sourceHeight = row.outputHeight = 1;
    uint32_t rowBytes = outputRowBytes(whole.outputWidth, whole.outputBitCount);
    for (uint32_t y = 0; y < whole.sourceHeight; ++y) {
        row.picture = whole.picture + size_t(y) * whole.pictureStride;
        row.pictureSize = whole.pictureSize - y * whole.pictureStride;
        row.output = whole.output + size_t(y) * rowBytes;
        renderOutput(row);
    }
}

void registerRowByRow(const Scenario& scenario, const Format& format) {
    std::string name = "renderOutput/" + sizeName(scenario.sourceWidth, scenario.sourceHeight) + "/rows/" + format.name;
    benchmark::RegisterBenchmark(name.c_str(), [&scenario, &format](benchmark::State& state) {
        benchmarkRender(state, scenario, format, renderRowByRow);
    });
}

void registerMemcpy(uint32_t width, uint32_t height, uint32_t bitCount) {
    std::string name = "memcpy/" + sizeName(width, height) + "/" + std::to_string(bitCount) + "bit";
    benchmark::RegisterBenchmark(name.c_str(),
                                 [=](benchmark::State& state) { benchmarkMemcpy(state, width, height, bitCount); });
}

bool registerAll() {
    std::set<std::string> copied;
    for (const Scenario& scenario : SCENARIOS)
        for (const Format& format : FORMATS) {
            registerRenderOutput(scenario, format);
            if (scenario.mode == SCALE_COPY) registerRowByRow(scenario, format);
            if (copied.insert(sizeName(scenario.outputWidth, scenario.outputHeight) + std::to_string(format.bitCount))
                    .second)
                registerMemcpy(scenario.outputWidth, scenario.outputHeight, format.bitCount);
        }
    const Format& bgrx32 = FORMATS[1];
    for (unsigned i = 0; i < RENDER_FORM_COUNT; ++i)
        for (const Scenario& scenario : SCENARIOS)
            if (scenario.sourceWidth == 1280) registerForm(RENDER_FORMS[i], scenario, bgrx32);
    return true;
}

const bool registered = registerAll();

}  // namespace
}  // namespace drav
