// Compression, decompression and change detection on real screen recordings,
// with memcmp and memcpy of the same bytes as the physical reference.
// Needs DRAV_CORPUS_RAW (a directory made by scripts/corpus-raw.sh).
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>

#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/frame_coding.h"
#include "codec/renderer.h"
#include "codec/tests/test_support.h"

namespace drav {
namespace {

using test::CorpusClip;

const CorpusClip* corpusClip(const std::string& name, unsigned bitCount) {
    static std::map<std::string, std::unique_ptr<CorpusClip>> clips;
    const std::string key = name + std::to_string(bitCount);
    auto& clip = clips[key];
    if (!clip) {
        clip = std::make_unique<CorpusClip>();
        if (!test::loadCorpusClip(name, bitCount, UINT32_MAX, *clip)) clip->frameCount = 0;
    }
    return clip->frameCount ? clip.get() : nullptr;
}

// The corpus's clips (DRAV_CORPUS_RAW/clips.txt), each benchmark's argument an index.
const std::vector<std::string>& clipNames() {
    static const std::vector<std::string> names = test::corpusClipNames(32);
    return names;
}

std::string clipName(int64_t index) { return size_t(index) < clipNames().size() ? clipNames()[index] : ""; }

// The first clip, for the benchmarks that need one picture of real screen content.
std::string firstClip() { return clipName(0); }

// A frame from the middle of the clip.
uint32_t middleFrame(const CorpusClip& clip) { return clip.frameCount / 2; }

// A whole clip compressed once, frame by frame, for the decoding benchmarks.
struct EncodedClip {
    unsigned streamDepth = 0;
    std::vector<std::vector<uint8_t>> frames;
};

EncodedClip encodeClip(const CorpusClip& clip) {
    test::Dib frame(clip.width, clip.height, clip.bitCount);
    if (clip.bitCount == 8) std::memcpy(frame.colors, clip.palette.data(), 1024);
    test::TestEncoder encoder(frame.format);
    encoder.begin();
    EncodedClip encoded;
    encoded.streamDepth = encoder.streamDepth;
    for (uint32_t n = 0; n < clip.frameCount; ++n) {
        std::memcpy(frame.pixels.data(), clip.frame(n), clip.frameBytes);
        encoder.compress(frame, n % 100 == 0);
        encoded.frames.push_back(encoder.frame());
    }
    return encoded;
}

void reportPixels(benchmark::State& state, uint64_t pixelsPerIteration, uint64_t framesPerIteration) {
    state.counters["pixels/s"] =
        benchmark::Counter(double(pixelsPerIteration), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["frames/s"] =
        benchmark::Counter(double(framesPerIteration), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CompressKeyFrame(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(clipName(state.range(0)), unsigned(state.range(1)));
    if (!clip) return state.SkipWithError("corpus not available");
    test::Dib frame(clip->width, clip->height, clip->bitCount);
    std::memcpy(frame.pixels.data(), clip->frame(middleFrame(*clip)), clip->frameBytes);
    test::TestEncoder encoder(frame.format);
    encoder.begin();
    for (auto _ : state) benchmark::DoNotOptimize(encoder.compress(frame, true));
    reportPixels(state, uint64_t(clip->width) * clip->height, 1);
    state.counters["ratio"] = double(clip->frameBytes) / encoder.size();
}

// The whole clip with a key frame every 100 frames, as a capture program sends it.
void BM_CompressClip(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(clipName(state.range(0)), unsigned(state.range(1)));
    if (!clip) return state.SkipWithError("corpus not available");
    test::Dib frame(clip->width, clip->height, clip->bitCount);
    if (clip->bitCount == 8) std::memcpy(frame.colors, clip->palette.data(), 1024);
    test::TestEncoder encoder(frame.format);
    encoder.begin();
    uint64_t compressed = 0;
    for (auto _ : state) {
        compressed = 0;
        for (uint32_t n = 0; n < clip->frameCount; ++n) {
            state.PauseTiming();
            std::memcpy(frame.pixels.data(), clip->frame(n), clip->frameBytes);
            state.ResumeTiming();
            encoder.compress(frame, n % 100 == 0);
            compressed += encoder.size();
        }
    }
    reportPixels(state, uint64_t(clip->width) * clip->height * clip->frameCount, clip->frameCount);
    state.counters["ratio"] = double(clip->frameBytes) * clip->frameCount / double(compressed);
}

// Decompression of the whole clip plus a same-size render into a 32-bit bitmap.
void BM_DecompressClip(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(clipName(state.range(0)), unsigned(state.range(1)));
    if (!clip) return state.SkipWithError("corpus not available");
    const EncodedClip encoded = encodeClip(*clip);
    test::TestDecoder decoder(clip->width, clip->height, encoded.streamDepth);
    const test::OutputSpec output = test::outputSpec(clip->width, clip->height, 32);
    std::vector<uint8_t> pixels(size_t(clip->width) * clip->height * 4);
    for (auto _ : state)
        for (const auto& frame : encoded.frames)
            decoder.decode(frame.data(), uint32_t(frame.size()), output, pixels.data());
    reportPixels(state, uint64_t(clip->width) * clip->height * clip->frameCount, clip->frameCount);
}

// The chunks alone: each frame applied without rendering.
void BM_ApplyClip(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(clipName(state.range(0)), unsigned(state.range(1)));
    if (!clip) return state.SkipWithError("corpus not available");
    const EncodedClip encoded = encodeClip(*clip);
    test::TestDecoder decoder(clip->width, clip->height, encoded.streamDepth);
    for (auto _ : state)
        for (const auto& frame : encoded.frames) decoder.apply(frame);
    reportPixels(state, uint64_t(clip->width) * clip->height * clip->frameCount, clip->frameCount);
}

// A picture of the given size tiled from a frame of the clip.
std::vector<uint8_t> tiledPicture(const CorpusClip& clip, uint32_t frame, uint32_t width, uint32_t height) {
    const uint32_t bytes = clip.bitCount / 8, clipStride = clip.frameBytes / clip.height;
    std::vector<uint8_t> picture(size_t(width) * height * bytes);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; x += clip.width) {
            const uint32_t run = std::min(clip.width, width - x);
            std::memcpy(&picture[(size_t(y) * width + x) * bytes],
                        clip.frame(frame) + size_t(y % clip.height) * clipStride, size_t(run) * bytes);
        }
    return picture;
}

void BM_FindChangedRectIdentical1080p(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(firstClip(), 32);
    if (!clip) return state.SkipWithError("corpus not available");
    const auto a = tiledPicture(*clip, middleFrame(*clip), 1920, 1080), b = a;
    const PictureFormat header{1920, 1080, 32};
    ChangeRect rect{};
    for (auto _ : state) {
        findChangedRect(header, packedRows(header, a.data()), packedRows(header, b.data()), rect);
        benchmark::DoNotOptimize(rect);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}

void BM_Memcmp1080p(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(firstClip(), 32);
    if (!clip) return state.SkipWithError("corpus not available");
    const auto a = tiledPicture(*clip, middleFrame(*clip), 1920, 1080), b = a;
    for (auto _ : state) benchmark::DoNotOptimize(std::memcmp(a.data(), b.data(), a.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}

void BM_Memcpy1080p(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(firstClip(), 32);
    if (!clip) return state.SkipWithError("corpus not available");
    const auto a = tiledPicture(*clip, middleFrame(*clip), 1920, 1080);
    std::vector<uint8_t> b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}

void BM_CompressKeyFrame1080p(benchmark::State& state) {
    const CorpusClip* clip = corpusClip(firstClip(), unsigned(state.range(0)));
    if (!clip) return state.SkipWithError("corpus not available");
    test::Dib frame(1920, 1080, clip->bitCount);
    frame.pixels = tiledPicture(*clip, middleFrame(*clip), 1920, 1080);
    test::TestEncoder encoder(frame.format);
    encoder.begin();
    for (auto _ : state) benchmark::DoNotOptimize(encoder.compress(frame, true));
    reportPixels(state, 1920ull * 1080, 1);
}

void clipArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"clip", "bits"});
    for (int clip = 0; clip < int(clipNames().size()); ++clip)
        for (int bits : {32, 16, 8}) b->Args({clip, bits});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_CompressKeyFrame)->Apply(clipArgs);
BENCHMARK(BM_CompressClip)->Apply(clipArgs)->Iterations(3);
BENCHMARK(BM_DecompressClip)->Apply(clipArgs)->Iterations(3);
BENCHMARK(BM_ApplyClip)->Apply(clipArgs)->Iterations(5);
BENCHMARK(BM_CompressKeyFrame1080p)->Arg(32)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindChangedRectIdentical1080p)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcmp1080p)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy1080p)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace drav
