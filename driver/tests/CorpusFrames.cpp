#include "CorpusFrames.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
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

std::map<std::string, std::string> readInfo(const std::string& path) {
    std::map<std::string, std::string> info;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) info[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return info;
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
    std::string base = windowsPath(rawDirectory() + "/" + clip + "." + pixelFormatName(bitsPerPixel));
    std::map<std::string, std::string> info = readInfo(base + ".info");
    if (info["row_order"] != "bottom-up") {
        error = "no bottom-up frames at " + base + ".info";
        return result;
    }
    result.rate = DWORD(std::stoul(info["rate"]));
    size_t slash = info["rate"].find('/');
    if (slash != std::string::npos) result.scale = DWORD(std::stoul(info["rate"].substr(slash + 1)));
    result.format = makeFormat(std::stol(info["width"]), std::stol(info["height"]), WORD(bitsPerPixel)).header;
    if (bitsPerPixel == 8) {
        std::ifstream palette(base + ".pal", std::ios::binary);
        palette.read(reinterpret_cast<char*>(result.colors), sizeof(result.colors));
        result.format.biClrUsed = 256;
    }
    size_t frameBytes = std::stoul(info["frame_bytes"]);
    if (frameBytes != pictureBytes(result.format)) {
        error = "frames of " + clip + " are not DIB rows";
        return result;
    }
    std::ifstream raw(base + ".raw", std::ios::binary);
    count = std::min<size_t>(count, std::stoul(info["frames"]));
    for (size_t i = 0; i < count && raw; ++i) {
        std::vector<uint8_t> frame(frameBytes);
        if (raw.read(reinterpret_cast<char*>(frame.data()), std::streamsize(frameBytes))) {
            result.frames.push_back(std::move(frame));
        }
    }
    if (result.frames.size() != count) error = "could not read " + std::to_string(count) + " frames of " + base;
    return result;
}

}  // namespace drav::test
