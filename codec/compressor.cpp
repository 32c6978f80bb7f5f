// FrameCompressor and the chunk writers it chains: Palette (8-bit input only),
// CodedRect over the changed rectangle, End.
#include "codec/compressor.h"

#include <cstring>

#include "codec/codec_stream.h"
#include "codec/frame_coding.h"
#include "codec/stream_heap.h"
#include "codec/stream_format.h"

namespace drav {
namespace {

bool sameColor(const PaletteEntry& a, const PaletteEntry& b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red;
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

}  // namespace

CodecStatus FrameCompressor::begin(const PictureFormat& input, History history) {
    const unsigned depth = input.depth;
    if (!isCompressorInputDepth(depth) || !isPictureSizeSupported(input.width, input.height))
        return CodecStatus::BadFormat;
    format_ = input;
    history_ = history;

    releaseBuffer(lzwWorkArea_);
    lzwWorkArea_ = static_cast<uint8_t*>(allocateZeroed(LZW_WORK_AREA_SIZE));
    if (!lzwWorkArea_) return CodecStatus::OutOfMemory;

    releaseBuffer(previousFrame_);
    releaseBuffer(previousPalette_);
    pictureSize_ = uint32_t(pictureRowBytes(input.width, depth) * input.height);
    if (history == History::Given) return CodecStatus::Ok;
    previousFrame_ = static_cast<uint8_t*>(allocateZeroed(pictureSize_));
    if (!previousFrame_) return CodecStatus::OutOfMemory;
    previousPalette_ = static_cast<PaletteEntry*>(allocateZeroed(PALETTE_BYTES));
    if (!previousPalette_) return CodecStatus::OutOfMemory;
    return CodecStatus::Ok;
}

void FrameCompressor::end() {
    releaseBuffer(lzwWorkArea_);
    releaseBuffer(previousPalette_);
    releaseBuffer(previousFrame_);
    pictureSize_ = 0;
}

CodecStatus FrameCompressor::compress(ByteSpan picture, const PaletteEntry* palette, bool keyFrame,
                                      MutableByteSpan output, CompressedFrame& frame) {
    frame = CompressedFrame{};
    if (!running() || history_ != History::Kept) return CodecStatus::NoStream;
    if (!picture.data || picture.size < pictureSize_) return CodecStatus::BadPicture;
    return compressRows(picture.data, pictureRowBytes(format_.width, format_.depth), palette, keyFrame, output, frame);
}

CodecStatus FrameCompressor::compressRows(const uint8_t* bottomRow, ptrdiff_t stride, const PaletteEntry* palette,
                                          bool keyFrame, MutableByteSpan output, CompressedFrame& frame) {
    frame = CompressedFrame{};
    if (!running() || history_ != History::Kept) return CodecStatus::NoStream;
    return compressPicture(InputPicture{bottomRow, stride, palette}, keptPicture(), keyFrame, output, frame);
}

CodecStatus FrameCompressor::compressAfter(const InputPicture& picture, const InputPicture& previous, bool keyFrame,
                                           MutableByteSpan output, CompressedFrame& frame) {
    frame = CompressedFrame{};
    if (!running() || history_ != History::Given) return CodecStatus::NoStream;
    if (!keyFrame && !isReadable(previous)) return CodecStatus::BadPicture;
    return compressPicture(picture, previous, keyFrame, output, frame);
}

bool FrameCompressor::isReadable(const InputPicture& picture) const {
    const ptrdiff_t pixelBytes = ptrdiff_t(format_.width) * (format_.depth / 8);
    const ptrdiff_t stride = picture.stride;
    return picture.bottomRow && (stride >= pixelBytes || -stride >= pixelBytes) &&
           (format_.depth != 8 || picture.palette);
}

InputPicture FrameCompressor::keptPicture() const {
    return InputPicture{previousFrame_, ptrdiff_t(pictureRowBytes(format_.width, format_.depth)), previousPalette_};
}

CodecStatus FrameCompressor::compressPicture(const InputPicture& picture, const InputPicture& previous, bool keyFrame,
                                             MutableByteSpan output, CompressedFrame& frame) {
    if (!isReadable(picture)) return CodecStatus::BadPicture;
    if (!output.data) return CodecStatus::BadOutput;
    frame.keyFrame = keyFrame;

    // Capacities are 32-bit, as every size of the format.
    const MutableByteSpan capped{output.data, output.size < UINT32_MAX ? output.size : UINT32_MAX};
    uint32_t offset = 0;
    bool ok = format_.depth != 8 || compressPalette(picture.palette, previous.palette, keyFrame, capped, offset);
    ok = ok && compressPixels(InputRows{picture.bottomRow, picture.stride},
                              InputRows{previous.bottomRow, previous.stride}, keyFrame, capped, offset);
    ok = ok && writeEndChunk(capped.data, uint32_t(capped.size), offset);
    if (!ok) return CodecStatus::BadOutput;
    frame.size = offset;
    return CodecStatus::Ok;
}

// The kept palette and picture (when the history is kept) are brought up to
// date even when a chunk does not fit: the next frame compares with this one.
bool FrameCompressor::compressPalette(const PaletteEntry* palette, const PaletteEntry* previous, bool keyFrame,
                                      MutableByteSpan output, uint32_t& offset) {
    uint32_t first = 0, last = 255;
    if (!keyFrame) findChangedPaletteRange(palette, previous, first, last);
    if (first > last) return true;
    bool written = writePaletteChunk(output.data, uint32_t(output.size), offset, palette, first, last);
    if (previousPalette_)
        std::memcpy(previousPalette_ + first, palette + first, (last - first + 1) * sizeof(PaletteEntry));
    return written;
}

bool FrameCompressor::compressPixels(InputRows picture, InputRows previous, bool keyFrame, MutableByteSpan output,
                                     uint32_t& offset) {
    ChangeRect rect{0, 0, format_.width, format_.height};
    if (!keyFrame) findChangedRect(format_, picture, previous, rect);
    if (rect.width == 0 || rect.height == 0) return true;
    bool written = writeCodedRectChunk(output.data, uint32_t(output.size), offset, picture, previous, previousFrame_,
                                       format_, rect, keyFrame, lzwWorkArea_);
    if (!written && previousFrame_) copyRect(picture, previousFrame_, format_, rect);
    return written;
}

void findChangedPaletteRange(const PaletteEntry* newTable, const PaletteEntry* oldTable, uint32_t& first,
                             uint32_t& last) {
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

bool writePaletteChunk(uint8_t* output, uint32_t capacity, uint32_t& offset, const PaletteEntry* table, uint32_t first,
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
        const PaletteEntry& entry = table[first + i];
        colour[0] = entry.red;
        colour[1] = entry.green;
        colour[2] = entry.blue;
    }
    sealChunk(chunk, length);
    offset += length;
    return true;
}

InputRows packedRows(const PictureFormat& format, const uint8_t* picture) {
    return InputRows{picture, ptrdiff_t(pictureRowBytes(format.width, format.depth))};
}

void findChangedRect(const PictureFormat& header, InputRows picture, InputRows previous, ChangeRect& rect) {
    const uint32_t width = header.width, height = header.height;
    const size_t bytesPerPixel = header.depth / 8;
    const size_t rowBytes = width * bytesPerPixel;
    uint32_t minX = width - 1, minY = height - 1, maxX = 0, maxY = 0;

    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* a = picture.row(y);
        const uint8_t* b = previous.row(y);
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

void copyRect(InputRows picture, uint8_t* previous, const PictureFormat& header, const ChangeRect& rect) {
    const size_t bytesPerPixel = header.depth / 8;
    const size_t stride = size_t(pictureRowBytes(header.width, header.depth));
    const size_t rowBytes = rect.width * bytesPerPixel, x = rect.x * bytesPerPixel;
    for (uint32_t y = rect.y; y < rect.y + rect.height; ++y)
        std::memcpy(previous + y * stride + x, picture.row(y) + x, rowBytes);
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
