// Real screen frames of the recordings, as raw bottom-up DIB frames that the
// corpus fixture derived into the directory named by DRAV_CORPUS_RAW
// (scripts/corpus-raw.sh).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drav::test {

struct CorpusClip {
    BITMAPINFOHEADER format{};  // BI_RGB, bottom-up
    RGBQUAD colors[256]{};      // the fixed colour table of 8-bit clips
    DWORD rate = 0, scale = 1;  // frames per second: rate / scale
    std::vector<std::vector<uint8_t>> frames;

    // The header followed by its colour table, as a stream format.
    std::vector<uint8_t> streamFormat() const;
};

// The clips that have frames at the depth, in the order of clips.txt.
std::vector<std::string> corpusClipNames(int bitsPerPixel);

// The first or the last clip that has frames at the depth: two kinds of
// screen content where there are two recordings; "" when there is none.
std::string firstCorpusClip(int bitsPerPixel);
std::string lastCorpusClip(int bitsPerPixel);

// The first `count` frames of CLIP at 32, 16 or 8 bits; no frames when the
// clip cannot be read (the test then fails with the reason in `error`).
CorpusClip loadCorpusClip(const std::string& clip, int bitsPerPixel, size_t count, std::string& error);

}  // namespace drav::test
