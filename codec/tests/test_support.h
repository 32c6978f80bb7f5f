// Shared by the codec's tests: bitmap headers, and raw frames of the
// screen-recording corpus (bottom-up, as a DIB stores them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/win_records.h"

namespace drav::test {

BITMAPINFOHEADER makeBitmapHeader(int32_t width, int32_t height, unsigned bitCount, uint32_t compression = BI_RGB);

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

// Loads up to maxFrames frames of a clip ("term720", "scroll720") at a depth
// (32, 16 or 8). False when the files are missing or malformed.
bool loadCorpusClip(const std::string& clip, unsigned bitCount, uint32_t maxFrames, CorpusClip& out);

// Skips the calling test when the corpus is not available.
#define DRAV_REQUIRE_CORPUS()                                                     \
    do {                                                                          \
        if (::drav::test::corpusRawDirectory().empty()) GTEST_SKIP() << "no corpus"; \
    } while (0)

}  // namespace drav::test
