#include "test_pictures.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <unistd.h>

#include "dib_format.h"

namespace drav::tool::test {

Frame makeRandomFrame(AVPixelFormat format, int width, int height, uint32_t seed) {
    Frame frame = allocateFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::runtime_error("av_frame_get_buffer");
    std::mt19937 random(seed);
    for (int plane = 0; plane < 4 && frame->buf[plane]; ++plane)
        for (size_t i = 0; i < frame->buf[plane]->size; ++i) frame->buf[plane]->data[i] = uint8_t(random());
    return frame;
}

std::string scratchPath(const std::string& stem) {
    static std::atomic<int> counter{0};
    const char* directory = std::getenv("DRAV_TEST_TMP");
    return std::string(directory ? directory : "/tmp") + "/" + stem + "." + std::to_string(getpid()) + "." +
           std::to_string(counter++);
}

ScratchFile::~ScratchFile() { std::remove(path.c_str()); }

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

DibPicture makeRandomDib(uint32_t width, uint32_t height, unsigned bitCount, uint32_t seed) {
    DibPicture picture;
    BITMAPINFOHEADER& header = picture.info.header;
    header = dibHeader(width, height, bitCount);
    std::mt19937 random(seed);
    picture.pixels.resize(header.biSizeImage);
    for (uint8_t& byte : picture.pixels) byte = uint8_t(random());
    for (RGBQUAD& entry : picture.info.colors)
        entry = RGBQUAD{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    return picture;
}

std::vector<uint8_t> packedPixels(const PictureRows& rows, const BITMAPINFOHEADER& format) {
    size_t rowBytes = size_t(format.biWidth) * (format.biBitCount / 8);
    std::vector<uint8_t> pixels;
    for (int y = 0; y < format.biHeight; ++y) {
        const uint8_t* row = rows.top + ptrdiff_t(y) * rows.stride;
        pixels.insert(pixels.end(), row, row + rowBytes);
    }
    return pixels;
}

std::vector<uint8_t> packedPixels(const std::vector<uint8_t>& dib, const BITMAPINFOHEADER& format) {
    return packedPixels(bottomUpRows(dib.data(), format), format);
}

std::vector<uint8_t> packedPixels(const DecompressionStream& stream) {
    return packedPixels(stream.outputRows(), stream.outputFormat());
}

StoredTestFrame compressInto(CompressionStream& stream, const DibPicture& picture, bool keyFrame) {
    FrameBytes compressed;
    if (!stream.compress(picture, keyFrame, compressed)) throw std::runtime_error("compress failed");
    return StoredTestFrame{std::vector<uint8_t>(compressed.data, compressed.data + compressed.size),
                           compressed.keyFrame};
}

}  // namespace drav::tool::test
