// compressFrame and the chunk writers it chains: Palette (8-bit input only),
// CodedRect over the changed rectangle, End.
#include "compressor.h"

#include <cstring>

#include "codec_stream.h"
#include "frame_format.h"

namespace drav {
namespace {

// The colour table follows the header at biSize: only the published header
// sizes (BITMAPINFOHEADER to BITMAPV5HEADER) are believed.
constexpr DWORD MIN_HEADER_SIZE = 40, MAX_HEADER_SIZE = 124;

bool isCompressibleInput(const BITMAPINFOHEADER& input) {
    return input.biSize >= MIN_HEADER_SIZE && input.biSize <= MAX_HEADER_SIZE && input.biCompression == BI_RGB &&
           (input.biBitCount == 8 || input.biBitCount == 16 || input.biBitCount == 32) &&
           isStreamPictureSizeSupported(input);
}

// A frame needs a running stream whose previous frame has the input's size.
bool canCompress(const CodecInstance& instance, const ICCOMPRESS& request) {
    if (!request.lpbiInput || !request.lpbiOutput || !request.lpInput || !request.lpOutput) return false;
    if (!instance.lzwWorkArea || !instance.previousFrame || !instance.previousPalette) return false;
    const BITMAPINFOHEADER& input = *request.lpbiInput;
    if (!isCompressibleInput(input)) return false;
    return dibRowBytes(input.biWidth, input.biBitCount) * uint64_t(input.biHeight) == instance.previousFrameSize;
}

const RGBQUAD* inputColorTable(const BITMAPINFOHEADER& input) {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(&input) + input.biSize);
}

bool sameColor(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

// Index of the first differing byte in [from, to), or `to`.
size_t firstDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t to) {
    size_t i = from;
    for (; i + 8 <= to; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return i + size_t(__builtin_ctzll(x ^ y) / 8);
    }
    for (; i < to; ++i)
        if (a[i] != b[i]) return i;
    return to;
}

// Index of the last differing byte in [from, to), or `to`.
size_t lastDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t to) {
    size_t i = to;
    for (; i >= from + 8; i -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i - 8, 8);
        std::memcpy(&y, b + i - 8, 8);
        if (x != y) return i - 1 - size_t(__builtin_clzll(x ^ y) / 8);
    }
    while (i > from) {
        --i;
        if (a[i] != b[i]) return i;
    }
    return to;
}

bool compressPalette(CodecInstance& instance, const BITMAPINFOHEADER& input, bool keyFrame, uint8_t* output,
                     uint32_t& offset) {
    const RGBQUAD* table = inputColorTable(input);
    uint32_t first = 0, last = 255;
    if (!keyFrame) findChangedPaletteRange(table, instance.previousPalette, first, last);
    if (first > last) return true;
    bool written = writePaletteChunk(output, instance.maxCompressedSize, offset, table, first, last);
    std::memcpy(instance.previousPalette + first, table + first, (last - first + 1) * sizeof(RGBQUAD));
    return written;
}

bool compressPicture(CodecInstance& instance, const BITMAPINFOHEADER& input, const uint8_t* picture, bool keyFrame,
                     uint8_t* output, uint32_t& offset) {
    ChangeRect rect{0, 0, uint32_t(input.biWidth), uint32_t(input.biHeight)};
    if (!keyFrame) findChangedRect(input, picture, instance.previousFrame, rect);
    if (rect.width == 0 || rect.height == 0) return true;
    bool written = writeCodedRectChunk(output, instance.maxCompressedSize, offset, picture, instance.previousFrame,
                                       input, rect, keyFrame, instance.lzwWorkArea);
    if (keyFrame) {
        std::memcpy(instance.previousFrame, picture, instance.previousFrameSize);
    } else {
        copyRect(picture, instance.previousFrame, input, rect);
    }
    return written;
}

}  // namespace

long compressFrame(CodecInstance& instance, const ICCOMPRESS& request) {
    if (!canCompress(instance, request)) {
        if (request.lpbiOutput) request.lpbiOutput->biSizeImage = 0;
        return ICERR_ERROR;
    }
    const BITMAPINFOHEADER& input = *request.lpbiInput;
    const bool keyFrame = (request.dwFlags & ICCOMPRESS_KEYFRAME) != 0;
    if (keyFrame && request.lpdwFlags) *request.lpdwFlags |= AVIIF_KEYFRAME;

    auto* output = static_cast<uint8_t*>(request.lpOutput);
    const auto* picture = static_cast<const uint8_t*>(request.lpInput);
    uint32_t offset = 0;
    bool ok = input.biBitCount != 8 || compressPalette(instance, input, keyFrame, output, offset);
    ok = ok && compressPicture(instance, input, picture, keyFrame, output, offset);
    ok = ok && writeEndChunk(output, instance.maxCompressedSize, offset);

    request.lpbiOutput->biSizeImage = ok ? offset : 0;
    return ok ? ICERR_OK : ICERR_ERROR;
}

void findChangedPaletteRange(const RGBQUAD* newTable, const RGBQUAD* oldTable, uint32_t& first, uint32_t& last) {
    uint32_t min = last, max = first;
    for (uint32_t i = first; i <= last; ++i) {
        if (!sameColor(newTable[i], oldTable[i])) {
            if (i < min) min = i;
            if (i > max) max = i;
        }
    }
    first = min;
    last = max;
}

bool writePaletteChunk(uint8_t* output, uint32_t capacity, uint32_t& offset, const RGBQUAD* table, uint32_t first,
                       uint32_t last) {
    const uint32_t entries = first <= last ? last - first + 1 : 0;
    const uint32_t length = PALETTE_CHUNK_BASE_SIZE + 3 * entries;
    if (offset > capacity || capacity - offset < length) return false;
    uint8_t* chunk = output + offset;
    chunk[2] = uint8_t(ChunkType::Palette);
    chunk[3] = 0;
    writeU32(chunk + 4, length);
    chunk[8] = uint8_t(first);
    chunk[9] = uint8_t(last);
    uint8_t* colour = chunk + PALETTE_CHUNK_BASE_SIZE;
    for (uint32_t i = 0; i < entries; ++i, colour += 3) {
        const RGBQUAD& entry = table[first + i];
        colour[0] = entry.rgbRed;
        colour[1] = entry.rgbGreen;
        colour[2] = entry.rgbBlue;
    }
    sealChunk(chunk, length);
    offset += length;
    return true;
}

void findChangedRect(const BITMAPINFOHEADER& header, const uint8_t* picture, const uint8_t* previous,
                     ChangeRect& rect) {
    const uint32_t width = uint32_t(header.biWidth), height = uint32_t(header.biHeight);
    const size_t bytesPerPixel = header.biBitCount / 8;
    const size_t stride = size_t(dibRowBytes(header.biWidth, header.biBitCount));
    const size_t rowBytes = width * bytesPerPixel;
    uint32_t minX = width - 1, minY = height - 1, maxX = 0, maxY = 0;

    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* a = picture + y * stride;
        const uint8_t* b = previous + y * stride;
        if (std::memcmp(a, b, rowBytes) == 0) continue;
        // The row differs somewhere: only columns outside [minX, maxX] can widen the rectangle.
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
        size_t first = firstDifference(a, b, 0, minX * bytesPerPixel);
        if (first < minX * bytesPerPixel) minX = uint32_t(first / bytesPerPixel);
        size_t lastFrom = (size_t(maxX) + 1) * bytesPerPixel;
        size_t last = lastDifference(a, b, lastFrom, rowBytes);
        if (last < rowBytes) maxX = uint32_t(last / bytesPerPixel);
    }

    // As the bounds start inverted, only a 1x1 picture yields a rectangle
    // when nothing changed: its one pixel is then sent as unchanged.
    if (maxX >= minX && maxY >= minY) {
        rect = ChangeRect{minX, minY, maxX - minX + 1, maxY - minY + 1};
    } else {
        rect = ChangeRect{0, 0, 0, 0};
    }
}

void copyRect(const uint8_t* picture, uint8_t* previous, const BITMAPINFOHEADER& header, const ChangeRect& rect) {
    const size_t bytesPerPixel = header.biBitCount / 8;
    const size_t stride = size_t(dibRowBytes(header.biWidth, header.biBitCount));
    const size_t rowBytes = rect.width * bytesPerPixel;
    for (uint32_t row = 0; row < rect.height; ++row) {
        const size_t at = (size_t(rect.y) + row) * stride + rect.x * bytesPerPixel;
        std::memcpy(previous + at, picture + at, rowBytes);
    }
}

bool writeEndChunk(uint8_t* output, uint32_t capacity, uint32_t& offset) {
    if (offset > capacity || capacity - offset < END_CHUNK_SIZE) return false;
    uint8_t* chunk = output + offset;
    chunk[2] = uint8_t(ChunkType::End);
    chunk[3] = 0;
    writeU32(chunk + 4, END_CHUNK_SIZE);
    sealChunk(chunk, END_CHUNK_SIZE);
    offset += END_CHUNK_SIZE;
    return true;
}

}  // namespace drav
