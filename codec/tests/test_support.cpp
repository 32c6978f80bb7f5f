#include "test_support.h"

#include <cstdlib>
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

BITMAPINFOHEADER makeBitmapHeader(int32_t width, int32_t height, unsigned bitCount, uint32_t compression) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = WORD(bitCount);
    header.biCompression = compression;
    return header;
}

std::string corpusRawDirectory() {
    const char* dir = std::getenv("DRAV_CORPUS_RAW");
    return dir ? dir : "";
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
    out.frameCount = std::min<uint32_t>(maxFrames, uint32_t(std::stoul(info["frames"])));
    out.pixels.resize(size_t(out.frameBytes) * out.frameCount);
    if (!readBytes(base + ".raw", out.pixels.size(), out.pixels.data())) return false;
    if (bitCount == 8) {
        out.palette.resize(256);
        if (!readBytes(base + ".pal", 1024, out.palette.data())) return false;
    }
    return true;
}

}  // namespace drav::test
