#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <fstream>
#include <map>
#include <sstream>

namespace drav::test {
namespace {

const char* pixelFormatName(unsigned bitCount) {
    switch (bitCount) {
        case 32: return "bgr0";
        case 16: return "rgb555le";
        case 8: return "pal8";
        default: return nullptr;
    }
}

std::map<std::string, std::string> readInfo(const std::string& path) {
    std::map<std::string, std::string> info;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) info[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return info;
}

bool readBytes(const std::string& path, size_t count, void* into) {
    std::ifstream in(path, std::ios::binary);
    in.read(static_cast<char*>(into), std::streamsize(count));
    return in.gcount() == std::streamsize(count);
}

}  // namespace

std::string corpusRawDirectory() {
    const char* dir = std::getenv("DRAV_CORPUS_RAW");
    return dir ? dir : "";
}

std::vector<std::string> corpusClipNames(unsigned bitCount) {
    std::vector<std::string> names;
    std::string dir = corpusRawDirectory();
    if (dir.empty()) return names;
    std::ifstream list(dir + "/clips.txt");
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        for (unsigned depth; fields >> depth;)
            if (depth == bitCount) names.push_back(name);
    }
    return names;
}

bool loadCorpusClip(const std::string& clip, unsigned bitCount, uint32_t maxFrames, CorpusClip& out) {
    const char* format = pixelFormatName(bitCount);
    std::string dir = corpusRawDirectory();
    if (!format || dir.empty()) return false;
    std::string base = dir + "/" + clip + "." + format;
    auto info = readInfo(base + ".info");
    if (info["row_order"] != "bottom-up") return false;

    out.name = clip;
    out.bitCount = bitCount;
    out.width = uint32_t(std::stoul(info["width"]));
    out.height = uint32_t(std::stoul(info["height"]));
    out.frameBytes = uint32_t(std::stoul(info["frame_bytes"]));
    const uint64_t framesInMemory = std::max<uint64_t>(1, CORPUS_BYTES_LOADED / out.frameBytes);
    out.frameCount = uint32_t(std::min<uint64_t>({maxFrames, std::stoul(info["frames"]), framesInMemory}));
    out.pixels.resize(size_t(out.frameBytes) * out.frameCount);
    if (!readBytes(base + ".raw", out.pixels.size(), out.pixels.data())) return false;
    if (bitCount == 8) {
        out.palette.resize(256);
        if (!readBytes(base + ".pal", 1024, out.palette.data())) return false;
    }
    return true;
}

}  // namespace drav::test

#include "codec/frame_coding.h"
#include "codec/testing/stream_buffers.h"

namespace drav::test {

Dib::Dib(uint32_t width, uint32_t height, unsigned bitCount) : format{width, height, bitCount} {
    stride = size_t(pictureRowBytes(width, bitCount));
    pixels.assign(stride * height, 0);
}

void Dib::fillRandom(uint32_t seed, uint32_t valueMask) {
    std::mt19937 random(seed);
    for (auto& byte : pixels) byte = uint8_t(random() & valueMask);
}

TestEncoder::TestEncoder(const PictureFormat& input)
    : output(worstCaseFrameSize(input.width, input.height), 0xCC),
      streamDepth(compressedDepthFor(input.depth)),
      input_(input) {}

CodecStatus TestEncoder::compress(const Dib& frame, bool keyFrame) {
    return codec.compress(ByteSpan{frame.pixels.data(), frame.pixels.size()}, frame.colors, keyFrame,
                          MutableByteSpan{output.data(), output.size()}, result);
}

OutputSpec outputSpec(uint32_t width, uint32_t height, unsigned bitCount, bool rgb565) {
    switch (bitCount) {
        case 32: return OutputSpec{width, height, OutputFormat::Bgrx32};
        case 24: return OutputSpec{width, height, OutputFormat::Bgr24};
        default: return OutputSpec{width, height, rgb565 ? OutputFormat::Rgb565 : OutputFormat::Rgb555};
    }
}

TestDecoder::TestDecoder(uint32_t width, uint32_t height, unsigned streamBitCount, bool smoothedHalfForms)
    : smoothedHalf(smoothedHalfForms) {
    codec.begin(PictureFormat{width, height, streamBitCount});
}

CodecStatus TestDecoder::decode(const uint8_t* data, uint32_t size, const OutputSpec& output, uint8_t* outputPixels) {
    CodecStatus status = codec.apply(ByteSpan{data, size});
    if (status != CodecStatus::Ok) return status;
    OutputPicture picture;
    picture.rows = outputPixels;
    picture.stride = ptrdiff_t(outputRowBytes(output.width, output.format));
    picture.width = output.width;
    picture.height = output.height;
    picture.format = output.format;
    picture.forms = smoothedHalf ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    return codec.render(picture);
}

const uint8_t* TestDecoder::workPixel(uint32_t x, uint32_t y) const {
    return StreamBuffers::workPicture(codec) + size_t(y + 1) * StreamBuffers::workPictureStride(codec) +
           size_t(x + 1) * 3;
}

void expectedWorkColor(const uint8_t* pixel, unsigned bitCount, const PaletteEntry* palette, uint8_t bgr[3]) {
    if (bitCount == 8) {
        const PaletteEntry& entry = palette[pixel[0]];
        bgr[0] = entry.blue;
        bgr[1] = entry.green;
        bgr[2] = entry.red;
    } else if (bitCount == 16) {
        uint32_t value = uint32_t(pixel[0] | pixel[1] << 8);
        bgr[0] = uint8_t((value & 0x1F) << 3);
        bgr[1] = uint8_t(((value >> 5) & 0x1F) << 3);
        bgr[2] = uint8_t(((value >> 10) & 0x1F) << 3);
    } else {
        for (int i = 0; i < 3; ++i) bgr[i] = uint8_t(pixel[i] & 0xF8);
    }
}

}  // namespace drav::test
