// FrameDecompressor: walks a frame's chunks into the work picture, renders
// the work picture into the caller's output; and the chunk appliers.
#include "codec/decompressor.h"

#include <algorithm>

#include "codec/codec_stream.h"
#include "codec/frame_coding.h"
#include "codec/stream_heap.h"
#include "codec/frame_inspector.h"
#include "codec/lzw_decode_tables.h"
#include "codec/work_picture.h"
#include "codec/renderer.h"
#include "codec/stream_format.h"

namespace drav {
namespace {

bool applyChunk(const FrameDecodeContext& context, const ChunkInfo& chunk) {
    switch (chunk.type) {
        case ChunkType::Palette: return applyPaletteChunk(context, chunk);
        case ChunkType::RawRect: return applyRawRectChunk(context, chunk);
        case ChunkType::CodedRect: return applyCodedRectChunk(context, chunk);
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
bool applyChunks(const FrameDecodeContext& context, RowRange& changed) {
    FrameInspector inspector(context.data, context.dataSize, context.sourceWidth, context.sourceHeight);
    ChunkInfo chunk;
    while (inspector.next(chunk)) {
        widen(changed, chunk);
        if (!applyChunk(context, chunk)) return false;
    }
    return inspector.fault() == ChunkFault::None;
}

uint8_t chooseScaleMode(const FrameDecodeContext& context) {
    if (context.outputWidth == context.sourceWidth && context.outputHeight == context.sourceHeight) return SCALE_COPY;
    if (context.forms == ScalingForms::SmoothedHalf && context.sourceWidth / 2 == context.outputWidth &&
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
    void* block = allocateZeroed(size_t(bytes));
    if (!block) return nullptr;
    auto* tables = static_cast<LzwDecodeTables*>(block);
    tables->history = reinterpret_cast<uint16_t*>(tables + 1);
    tables->historyCapacity = pixels;
    return tables;
}

CodecStatus FrameDecompressor::begin(const PictureFormat& stream) {
    if (!isStreamDepth(stream.depth) || !isPictureSizeSupported(stream.width, stream.height))
        return CodecStatus::BadFormat;
    format_ = stream;

    releaseBuffer(workPicture_);
    workPictureSize_ = 0;
    workPictureStride_ = workPictureStrideFor(stream.width);
    const uint32_t size = workPictureStride_ * (stream.height + 4);
    workPicture_ = static_cast<uint8_t*>(allocateZeroed(size));
    if (!workPicture_) return CodecStatus::OutOfMemory;
    workPictureSize_ = size;

    releaseBuffer(palette_);
    palette_ = static_cast<PaletteEntry*>(allocateZeroed(PALETTE_BYTES));
    if (!palette_) return CodecStatus::OutOfMemory;

    releaseBuffer(tables_);
    tables_ = allocateDecodeTables(stream.width * stream.height);
    if (!tables_) return CodecStatus::OutOfMemory;
    return CodecStatus::Ok;
}

void FrameDecompressor::end() {
    releaseBuffer(workPicture_);
    workPictureSize_ = 0;
    releaseBuffer(palette_);
    releaseBuffer(tables_);
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
    context.outputFormat = output.format;
    context.forms = output.forms;
    context.scaleMode = chooseScaleMode(context);
    return renderOutput(context) ? CodecStatus::Ok : CodecStatus::BadOutput;
}

bool applyPaletteChunk(const FrameDecodeContext& context, const ChunkInfo& chunk) {
    const uint8_t* colour = context.data + chunk.offset + PALETTE_CHUNK_BASE_SIZE;
    for (uint32_t i = chunk.firstIndex; i <= chunk.lastIndex; ++i, colour += 3) {
        context.palette[i].red = colour[0];
        context.palette[i].green = colour[1];
        context.palette[i].blue = colour[2];
    }
    return true;
}

// A RawRect of an unknown pixel format passes the inspector and changes nothing.
bool applyRawRectChunk(const FrameDecodeContext& context, const ChunkInfo& chunk) {
    if (!changesPixels(chunk)) return true;
    const uint32_t bytesPerPixel = chunk.pixelFormat == PIXEL_FORMAT_PALETTE ? 1 : 2;
    const uint8_t* source = context.data + chunk.offset + RECT_CHUNK_HEADER_SIZE;
    for (uint32_t row = 0; row < chunk.height; ++row) {
        uint8_t* pixel = workPixel(context, chunk.x, chunk.y + row);
        for (uint32_t column = 0; column < chunk.width; ++column, pixel += 3, source += bytesPerPixel) {
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
