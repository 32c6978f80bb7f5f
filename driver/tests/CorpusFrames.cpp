#include "CorpusFrames.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "VcmTestSupport.h"

namespace drav::test {
namespace {

const char* pixelFormatName(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 32: return "bgr0";
        case 16: return "rgb555le";
        default: return "pal8";
    }
}

std::string rawDirectory() {
    const char* directory = std::getenv("DRAV_CORPUS_RAW");
    return directory ? directory : "";
}

}  // namespace

std::vector<std::string> corpusClipNames(int bitsPerPixel) {
    std::vector<std::string> names;
    if (rawDirectory().empty()) return names;
    std::ifstream list(windowsPath(rawDirectory() + "/clips.txt"));
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        for (int depth; fields >> depth;)
            if (depth == bitsPerPixel) names.push_back(name);
    }
    return names;
}

std::string firstCorpusClip(int bitsPerPixel) {
    std::vector<std::string> names = corpusClipNames(bitsPerPixel);
    return names.empty() ? "" : names.front();
}

std::string lastCorpusClip(int bitsPerPixel) {
    std::vector<std::string> names = corpusClipNames(bitsPerPixel);
    return names.empty() ? "" : names.back();
}

std::vector<uint8_t> CorpusClip::streamFormat() const {
    size_t colorBytes = format.biClrUsed * sizeof(RGBQUAD);
    std::vector<uint8_t> bytes(sizeof(format) + colorBytes);
    std::memcpy(bytes.data(), &format, sizeof(format));
    std::memcpy(bytes.data() + sizeof(format), colors, colorBytes);
    return bytes;
}

CorpusClip loadCorpusClip(const std::string& clip, int bitsPerPixel, size_t count, std::string& error) {
    CorpusClip result;
    if (rawDirectory().empty()) {
        error = "DRAV_CORPUS_RAW is not set";
        return result;
    }
    host::RawClip raw;
    if (!raw.open(windowsPath(rawDirectory() + "/" + clip + "." + pixelFormatName(bitsPerPixel) + ".info"), error))
        return result;
    result.format = raw.format;
    std::memcpy(result.colors, raw.colors, sizeof result.colors);
    result.rate = raw.rate;
    result.scale = raw.scale;
    count = std::min<size_t>(count, size_t(raw.frames));
    for (std::vector<uint8_t> frame; result.frames.size() < count && raw.read(LONG(result.frames.size()), frame);)
        result.frames.push_back(frame);
    if (result.frames.size() != count) error = "could not read " + std::to_string(count) + " frames of " + clip;
    return result;
}

}  // namespace drav::test
