// Shared by the tool's unit tests: pictures, scratch files, compressed frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec_streams.h"
#include "ffmpeg_support.h"

namespace drav::tool::test {

// A picture with its own buffers, every byte from a seeded generator.
Frame makeRandomFrame(AVPixelFormat format, int width, int height, uint32_t seed);

// A scratch file name under the test's build directory, unique per call.
std::string scratchPath(const std::string& stem);

// A scratch file removed when the test is done with it.
struct ScratchFile {
    explicit ScratchFile(const std::string& stem) : path(scratchPath(stem)) {}
    ~ScratchFile();
    std::string path;
};

std::vector<uint8_t> readFileBytes(const std::string& path);

// A 16-bit DIB picture of the given size with random RGB555 pixels.
DibPicture makeRandomDib(uint32_t width, uint32_t height, unsigned bitCount, uint32_t seed);

// A picture's pixels as packed top-down rows (padding left out), from the
// rows, a bottom-up DIB or a stream's output.
std::vector<uint8_t> packedPixels(const PictureRows& rows, const BITMAPINFOHEADER& format);
std::vector<uint8_t> packedPixels(const std::vector<uint8_t>& dib, const BITMAPINFOHEADER& format);
std::vector<uint8_t> packedPixels(const DecompressionStream& stream);

// Compressed frames of a stream, copied out of the codec's buffer.
struct StoredTestFrame {
    std::vector<uint8_t> bytes;
    bool keyFrame = false;
};
StoredTestFrame compressInto(CompressionStream& stream, const DibPicture& picture, bool keyFrame);

}  // namespace drav::tool::test
