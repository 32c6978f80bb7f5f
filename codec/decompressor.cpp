// FrameDecompressor: walks a frame's chunks into the work picture, renders
// the work picture into the caller's output; and the chunk appliers.
#include "decompressor.h"

#include <algorithm>
#include <cstdlib>

#include "codec_stream.h"
#include "frame_format.h"
#include "frame_inspector.h"
#include "lzw_decode_tables.h"
#include "rect_geometry.h"
#include "renderer.h"

namespace drav {
namespace {

template <typename T>
void release(T*& buffer) {
    std::free(buffer);
    buffer = nullptr;
}

bool applyChunk(FrameDecodeContext& context, ChunkType type) {
    switch (type) {
        case ChunkType::Palette: return applyPaletteChunk(context);
        case ChunkType::RawRect: return applyRawRectChunk(context);
        case ChunkType::CodedRect: return applyCodedRectChunk(context);
        default: return true;  // End
    }
}

void widen(RowRange& rows, const ChunkInfo& chunk) {
    if (!changesPixels(chunk)) return;
    if (rows.empty()) rows = RowRange{chunk.y, chunk.y};
    rows.first = std::min<uint32_t>(rows.first, chunk.y);
    rows.end = std::max<uint32_t>(rows.end, uint32_t(chunk.y) + chunk.height);
}

// Applies the chunks the inspector passes, up to the End chunk or the end of
// the data; false on the first bad chunk (the chunks before it stay applied).
bool applyChunks(FrameDecodeContext& context, RowRange& changed) {
    FrameInspector inspector(context.data, context.dataSize, context.sourceWidth, context.sourceHeight);
    ChunkInfo chunk;
    while (inspector.next(chunk)) {
        widen(changed, chunk);
        context.offset = chunk.offset;
        if (!applyChunk(context, chunk.type)) return false;
    }
    return inspector.fault() == ChunkFault::None;
}

uint8_t chooseScaleMode(const FrameDecodeContext& context) {
    if (context.outputWidth == context.sourceWidth && context.outputHeight == context.sourceHeight) return SCALE_COPY;
    if (context.mmx && context.sourceWidth / 2 == context.outputWidth &&
        context.sourceHeight / 2 == context.outputHeight)
        return SCALE_HALF_SMOOTH;
    return SCALE_BILINEAR;
}

bool isRenderableSize(uint32_t size) { return size >= 1 && size <= MAX_PICTURE_DIMENSION; }

}  // namespace

uint32_t workPictureStrideFor(uint32_t width) {
    uint32_t stride = 3 * (width + 4);
    return stride + stride % 4;
}

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

CodecStatus FrameDecompressor::begin(const PictureFormat& stream) {
    const unsigned depth = stream.depth;
    if ((depth != 8 && depth != 16 && depth != 24) || !isPictureSizeSupported(stream.width, stream.height))
        return CodecStatus::BadFormat;
    format_ = stream;

    release(workPicture_);
    workPictureSize_ = 0;
    workPictureStride_ = workPictureStrideFor(stream.width);
    const uint32_t size = workPictureStride_ * (stream.height + 4);
    workPicture_ = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!workPicture_) return CodecStatus::OutOfMemory;
    workPictureSize_ = size;

    release(palette_);
    palette_ = static_cast<PaletteEntry*>(std::calloc(PALETTE_ENTRIES, sizeof(PaletteEntry)));
    if (!palette_) return CodecStatus::OutOfMemory;

    release(tables_);
    tables_ = allocateDecodeTables(stream.width * stream.height);
    if (!tables_) return CodecStatus::OutOfMemory;
    return CodecStatus::Ok;
}

void FrameDecompressor::end() {
    release(workPicture_);
    workPictureSize_ = 0;
    release(palette_);
    release(tables_);
}

CodecStatus FrameDecompressor::apply(ByteSpan frame, RowRange* changed) {
    RowRange rows;
    if (changed) *changed = rows;
    if (!running()) return CodecStatus::NoStream;
    FrameDecodeContext context{};
    context.sourceWidth = format_.width;
    context.sourceHeight = format_.height;
    // An empty frame (no data) changes nothing: the held picture stands.
    context.data = frame.data;
    context.dataSize = frame.data ? uint32_t(frame.size < UINT32_MAX ? frame.size : UINT32_MAX) : 0;
    context.picture = workPicture_;
    context.pictureSize = workPictureSize_;
    context.pictureStride = workPictureStride_;
    context.palette = palette_;
    context.tables = tables_;
    const bool applied = applyChunks(context, rows);
    if (changed) *changed = rows;
    return applied ? CodecStatus::Ok : CodecStatus::BadFrame;
}

CodecStatus FrameDecompressor::render(const OutputPicture& output) const {
    return renderRows(output, 0, output.height);
}

CodecStatus FrameDecompressor::renderRows(const OutputPicture& output, uint32_t first, uint32_t end) const {
    if (!running()) return CodecStatus::NoStream;
    const unsigned bitCount = outputBitCount(output.format);
    if (!output.rows || bitCount == 0 || !isRenderableSize(output.width) || !isRenderableSize(output.height))
        return CodecStatus::BadOutput;
    if (first > end || end > output.height) return CodecStatus::BadOutput;
    if (first == end) return CodecStatus::Ok;

    FrameDecodeContext context{};
    context.sourceWidth = format_.width;
    context.sourceHeight = format_.height;
    context.outputWidth = output.width;
    context.outputHeight = output.height;
    context.outputBitCount = bitCount;
    context.output = output.rows;
    context.outputStride = output.stride ? output.stride : ptrdiff_t(outputRowBytes(output.width, output.format));
    context.firstRow = first;
    context.rowCount = end - first;
    context.picture = workPicture_;
    context.pictureSize = workPictureSize_;
    context.pictureStride = workPictureStride_;
    context.outputFormat = uint8_t(output.format);
    context.mmx = output.forms == ScalingForms::Mmx;
    context.scaleMode = chooseScaleMode(context);
    return renderOutput(context) ? CodecStatus::Ok : CodecStatus::BadOutput;
}

bool applyPaletteChunk(FrameDecodeContext& context) {
    const uint8_t* chunk;
    uint32_t length;
    if (!consumeChunk(context, ChunkType::Palette, PALETTE_CHUNK_BASE_SIZE, chunk, length)) return false;
    const uint32_t first = chunk[8], last = chunk[9];
    if (first > last) return true;
    if (length < PALETTE_CHUNK_BASE_SIZE + 3 * (last - first + 1)) return false;
    const uint8_t* colour = chunk + PALETTE_CHUNK_BASE_SIZE;
    for (uint32_t i = first; i <= last; ++i, colour += 3) {
        context.palette[i].red = colour[0];
        context.palette[i].green = colour[1];
        context.palette[i].blue = colour[2];
    }
    return true;
}

bool applyRawRectChunk(FrameDecodeContext& context) {
    const uint8_t* chunk;
    uint32_t length;
    if (!consumeChunk(context, ChunkType::RawRect, RECT_CHUNK_HEADER_SIZE, chunk, length)) return false;
    const RectGeometry rect = readRectGeometry(chunk);
    if (rect.pixelFormat != PIXEL_FORMAT_PALETTE && rect.pixelFormat != PIXEL_FORMAT_RGB555) return true;
    if (rect.width == 0 || rect.height == 0 || !rectInsidePicture(rect, context)) return false;
    const uint32_t bytesPerPixel = rect.pixelFormat == PIXEL_FORMAT_PALETTE ? 1 : 2;
    if (length - RECT_CHUNK_HEADER_SIZE < uint64_t(rect.width) * rect.height * bytesPerPixel) return false;

    const uint8_t* source = chunk + RECT_CHUNK_HEADER_SIZE;
    for (uint32_t row = 0; row < rect.height; ++row) {
        uint8_t* pixel = workPixel(context, rect.x, rect.y + row);
        for (uint32_t column = 0; column < rect.width; ++column, pixel += 3, source += bytesPerPixel) {
            if (bytesPerPixel == 1) {
                storePaletteEntry(pixel, context.palette[source[0]]);
            } else {
                storeRgb555(pixel, readU16(source));
            }
        }
    }
    return true;
}

}  // namespace drav
