#include "codec_stream.h"

#include <cstdlib>
#include <cstring>

#include "frame_format.h"
#include "lzw_decode_tables.h"

namespace drav {
namespace {

template <typename T>
void release(T*& buffer) {
    std::free(buffer);
    buffer = nullptr;
}

bool fitsIn32Bits(uint64_t value) { return value <= UINT32_MAX; }

}  // namespace

LzwDecodeTables* allocateDecodeTables(uint32_t pixels) {
    const uint64_t historyBytes = (uint64_t(pixels) + LzwDecodeTables::HISTORY_SLACK) * sizeof(uint16_t);
    const uint64_t bytes = sizeof(LzwDecodeTables) + historyBytes;
    if (bytes > SIZE_MAX) return nullptr;
    // Zeroed: block copies may read history slack that no token has written.
    void* block = std::calloc(size_t(bytes), 1);
    if (!block) return nullptr;
    auto* tables = static_cast<LzwDecodeTables*>(block);
    tables->history = reinterpret_cast<uint16_t*>(tables + 1);
    tables->historyCapacity = pixels;
    return tables;
}

uint32_t worstCaseFrameSize(const BITMAPINFOHEADER& output) {
    return uint32_t(output.biWidth) * uint32_t(output.biHeight) * 3u + FRAME_SIZE_MARGIN;
}

uint32_t workPictureStrideFor(uint32_t width) {
    uint32_t stride = 3 * (width + 4);
    return stride + stride % 4;
}

bool isStreamPictureSizeSupported(const BITMAPINFOHEADER& format) {
    if (format.biWidth < 1 || format.biWidth > MAX_PICTURE_DIMENSION) return false;
    if (format.biHeight < 1 || format.biHeight > MAX_PICTURE_DIMENSION) return false;
    uint64_t width = uint64_t(format.biWidth), height = uint64_t(format.biHeight);
    uint64_t workStride = workPictureStrideFor(uint32_t(width));
    return fitsIn32Bits(width * height * 3 + FRAME_SIZE_MARGIN) && fitsIn32Bits(workStride * (height + 4)) &&
           fitsIn32Bits(dibRowBytes(format.biWidth, 32) * height);
}

long beginCompressionStream(CodecInstance& instance, const BITMAPINFOHEADER& input, const BITMAPINFOHEADER& output,
                            bool mmxEnabled) {
    if (!isStreamPictureSizeSupported(input) || !isStreamPictureSizeSupported(output)) return ICERR_BADFORMAT;

    release(instance.lzwWorkArea);
    instance.lzwWorkArea = static_cast<uint8_t*>(std::calloc(LZW_WORK_AREA_SIZE, 1));
    if (!instance.lzwWorkArea) return ICERR_MEMORY;

    instance.maxCompressedSize = worstCaseFrameSize(output);

    release(instance.previousFrame);
    instance.previousFrameSize = uint32_t(dibRowBytes(input.biWidth, input.biBitCount) * uint32_t(input.biHeight));
    instance.previousFrame = static_cast<uint8_t*>(std::calloc(instance.previousFrameSize, 1));
    if (!instance.previousFrame) return ICERR_MEMORY;

    release(instance.previousPalette);
    instance.previousPalette = static_cast<RGBQUAD*>(std::calloc(256, sizeof(RGBQUAD)));
    if (!instance.previousPalette) return ICERR_MEMORY;

    instance.mmxEnabled = mmxEnabled ? 1 : 0;
    return ICERR_OK;
}

void endCompressionStream(CodecInstance& instance) {
    release(instance.lzwWorkArea);
    release(instance.previousPalette);
    if (instance.previousFrame) instance.previousFrameSize = 0;
    release(instance.previousFrame);
    instance.maxCompressedSize = 0;
}

long beginDecompressionStream(CodecInstance& instance, const BITMAPINFOHEADER& compressedInput, bool mmxEnabled) {
    if (!isStreamPictureSizeSupported(compressedInput)) return ICERR_BADFORMAT;

    release(instance.workPicture);
    instance.workPictureSize = 0;
    instance.workPictureStride = workPictureStrideFor(uint32_t(compressedInput.biWidth));
    uint32_t size = instance.workPictureStride * (uint32_t(compressedInput.biHeight) + 4);
    instance.workPicture = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!instance.workPicture) return ICERR_MEMORY;
    instance.workPictureSize = size;

    release(instance.decodePalette);
    instance.decodePalette = static_cast<RGBQUAD*>(std::calloc(256, sizeof(RGBQUAD)));
    if (!instance.decodePalette) return ICERR_MEMORY;

    release(instance.decodeTables);
    instance.decodeTables =
        allocateDecodeTables(uint32_t(compressedInput.biWidth) * uint32_t(compressedInput.biHeight));
    if (!instance.decodeTables) return ICERR_MEMORY;

    instance.mmxEnabled = mmxEnabled ? 1 : 0;
    return ICERR_OK;
}

void endDecompressionStream(CodecInstance& instance) {
    release(instance.workPicture);
    instance.workPictureSize = 0;
    release(instance.decodePalette);
    release(instance.decodeTables);
}

void releaseStreamBuffers(CodecInstance& instance) {
    endCompressionStream(instance);
    endDecompressionStream(instance);
}

}  // namespace drav
