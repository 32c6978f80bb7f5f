// Shared by the codec's tests: bitmap headers, and raw frames of the
// screen-recording corpus (bottom-up, as a DIB stores them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/frame_codec.h"
#include "codec/frame_coding.h"

namespace drav::test {

struct CorpusClip {
    std::string name;
    unsigned bitCount = 0;
    uint32_t width = 0, height = 0, frameCount = 0;
    uint32_t frameBytes = 0;
    std::vector<uint8_t> pixels;        // frameCount frames back to back
    std::vector<PaletteEntry> palette;  // 256 entries for 8-bit clips
    const uint8_t* frame(uint32_t index) const { return pixels.data() + size_t(index) * frameBytes; }
};

// Directory of the derived raw corpus (environment DRAV_CORPUS_RAW); empty when
// the corpus is not available to this run.
std::string corpusRawDirectory();

// The clips of the derived corpus that have frames at the depth (32, 16 or 8),
// in the order of its clips.txt (see scripts/corpus-raw.sh).
std::vector<std::string> corpusClipNames(unsigned bitCount);

// Loads up to maxFrames frames of a clip at a depth (32, 16 or 8), and never
// more than CORPUS_BYTES_LOADED bytes of them (however long the recording).
// False when the files are missing or malformed.
constexpr uint64_t CORPUS_BYTES_LOADED = uint64_t(1) << 29;
bool loadCorpusClip(const std::string& clip, unsigned bitCount, uint32_t maxFrames, CorpusClip& out);

// Skips the calling test when the corpus is not available.
#define DRAV_REQUIRE_CORPUS()                                                        \
    do {                                                                             \
        if (::drav::test::corpusRawDirectory().empty()) GTEST_SKIP() << "no corpus"; \
    } while (0)

}  // namespace drav::test

namespace drav::test {

// A picture as the compressor takes it, with its 256-entry colour table.
struct Dib {
    PictureFormat format;
    PaletteEntry colors[256] = {};
    size_t stride = 0;
    std::vector<uint8_t> pixels;

    Dib(uint32_t width, uint32_t height, unsigned bitCount);
    uint8_t* pixel(uint32_t x, uint32_t y) { return pixels.data() + y * stride + x * format.depth / 8; }
    void fillRandom(uint32_t seed, uint32_t valueMask = 0xFFFFFFFF);
};

// A compression stream into a buffer of the worst-case size.
class TestEncoder {
public:
    explicit TestEncoder(const PictureFormat& input);
    CodecStatus begin() { return codec.begin(input_); }
    CodecStatus compress(const Dib& frame, bool keyFrame);
    std::vector<uint8_t> output;
    CompressedFrame result;
    unsigned streamDepth;  // of the compressed stream: 8 or 16
    FrameCompressor codec;
    const uint8_t* data() const { return output.data(); }
    uint32_t size() const { return result.size; }
    std::vector<uint8_t> frame() const { return std::vector<uint8_t>(data(), data() + size()); }

private:
    PictureFormat input_;
};

// The size and format of a bottom-up output picture.
struct OutputSpec {
    uint32_t width, height;
    OutputFormat format;
};
OutputSpec outputSpec(uint32_t width, uint32_t height, unsigned bitCount, bool rgb565 = false);

// A decompression stream.
class TestDecoder {
public:
    TestDecoder(uint32_t width, uint32_t height, unsigned streamBitCount, bool smoothedHalf = false);
    // Applies a frame without rendering it.
    CodecStatus apply(const std::vector<uint8_t>& frame) { return codec.apply(ByteSpan{frame.data(), frame.size()}); }
    // Applies a frame, then renders the picture into a bottom-up output.
    CodecStatus decode(const uint8_t* data, uint32_t size, const OutputSpec& output, uint8_t* outputPixels);
    // The work picture's blue, green and red of picture pixel (x, y).
    const uint8_t* workPixel(uint32_t x, uint32_t y) const;
    FrameDecompressor codec;
    bool smoothedHalf;
};

// The 24-bit colour the decoder holds for an input pixel of the given depth.
void expectedWorkColor(const uint8_t* pixel, unsigned bitCount, const PaletteEntry* palette, uint8_t bgr[3]);

}  // namespace drav::test
