// Shared by the codec's tests: bitmap headers, and raw frames of the
// screen-recording corpus (bottom-up, as a DIB stores them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/frame_format.h"
#include "codec/win_records.h"

namespace drav::test {

using drav::makeBitmapHeader;

struct CorpusClip {
    std::string name;
    unsigned bitCount = 0;
    uint32_t width = 0, height = 0, frameCount = 0;
    uint32_t frameBytes = 0;
    std::vector<uint8_t> pixels;   // frameCount frames back to back
    std::vector<RGBQUAD> palette;  // 256 entries for 8-bit clips
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

#include "codec/codec_instance.h"

namespace drav::test {

// A bottom-up DIB with its colour table directly after the header, as the
// compressor expects 8-bit input.
struct Dib {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info;
    size_t stride = 0;
    std::vector<uint8_t> pixels;

    Dib(int32_t width, int32_t height, unsigned bitCount);
    BITMAPINFOHEADER& header() { return info.header; }
    uint8_t* pixel(uint32_t x, uint32_t y) { return pixels.data() + y * stride + x * info.header.biBitCount / 8; }
    void fillRandom(uint32_t seed, uint32_t valueMask = 0xFFFFFFFF);
};

// A compression stream over one CodecInstance, as a capture program drives it.
class TestEncoder {
public:
    explicit TestEncoder(const BITMAPINFOHEADER& input);
    ~TestEncoder();
    long begin();
    long compress(Dib& frame, bool keyFrame);
    std::vector<uint8_t> output;  // sized to the worst case
    BITMAPINFOHEADER compressedHeader{};
    DWORD keyFlags = 0;
    CodecInstance instance{};
    const uint8_t* data() const { return output.data(); }
    uint32_t size() const { return compressedHeader.biSizeImage; }
    std::vector<uint8_t> frame() const { return std::vector<uint8_t>(data(), data() + size()); }

private:
    BITMAPINFOHEADER input_;
};

// A decompression stream over one CodecInstance.
class TestDecoder {
public:
    TestDecoder(int32_t width, int32_t height, unsigned streamBitCount, bool mmx = false);
    ~TestDecoder();
    long decode(const uint8_t* data, uint32_t size, BITMAPINFOHEADER output, uint8_t* outputPixels, DWORD flags = 0);
    // The work picture's blue, green and red of picture pixel (x, y).
    const uint8_t* workPixel(uint32_t x, uint32_t y) const;
    CodecInstance instance{};
    BITMAPINFOHEADER compressedHeader{};
};

// The 24-bit colour the decoder holds for an input pixel of the given depth.
void expectedWorkColor(const uint8_t* pixel, unsigned bitCount, const RGBQUAD* palette, uint8_t bgr[3]);

}  // namespace drav::test
