// decompressFrame: checks the stream and output, walks the frame's chunks
// into the work picture, then renders the output bitmap.
#include "decompressor.h"

#include "codec_stream.h"
#include "frame_format.h"
#include "rect_geometry.h"
#include "renderer.h"

namespace drav {
namespace {

// 0 when the renderer cannot produce the output.
uint8_t chooseOutputFormat(const BITMAPINFOHEADER& output) {
    if (output.biCompression != BI_RGB && output.biCompression != BI_BITFIELDS) return 0;
    switch (output.biBitCount) {
        case 32: return OUT_BGRX32;
        case 24: return OUT_BGR24;
        case 16: return output.biCompression == BI_BITFIELDS ? OUT_RGB565 : OUT_RGB555;
        default: return 0;
    }
}

uint8_t chooseScaleMode(const FrameDecodeContext& context) {
    if (context.outputWidth == context.sourceWidth && context.outputHeight == context.sourceHeight) return SCALE_COPY;
    if (context.mmx && context.sourceWidth / 2 == context.outputWidth &&
        context.sourceHeight / 2 == context.outputHeight)
        return SCALE_HALF_SMOOTH;
    return SCALE_BILINEAR;
}

// The compressed picture must be the one the work picture was made for.
bool matchesWorkPicture(const CodecInstance& instance, const BITMAPINFOHEADER& input) {
    if (!instance.workPicture || !instance.decodePalette || !instance.decodeTables) return false;
    if (!isStreamPictureSizeSupported(input)) return false;
    const uint32_t stride = workPictureStrideFor(uint32_t(input.biWidth));
    return stride == instance.workPictureStride &&
           uint64_t(stride) * (uint64_t(input.biHeight) + 4) <= instance.workPictureSize;
}

bool isRenderableOutput(const BITMAPINFOHEADER& output) {
    return output.biWidth > 0 && output.biHeight > 0 && output.biWidth <= MAX_PICTURE_DIMENSION &&
           output.biHeight <= MAX_PICTURE_DIMENSION;
}

bool applyChunk(FrameDecodeContext& context, uint8_t type) {
    switch (type) {
        case uint8_t(ChunkType::Palette): return applyPaletteChunk(context);
        case uint8_t(ChunkType::RawRect): return applyRawRectChunk(context);
        case uint8_t(ChunkType::CodedRect): return applyCodedRectChunk(context);
        default: return false;
    }
}

// Applies chunks until the End chunk or the end of the data; false on the
// first bad chunk (the chunks before it stay applied).
bool applyChunks(FrameDecodeContext& context) {
    while (context.offset < context.dataSize) {
        if (context.dataSize - context.offset < CHUNK_HEADER_SIZE) return false;
        const uint8_t* chunk = context.data + context.offset;
        const ChunkHeader header = readChunkHeader(chunk);
        if (header.length < CHUNK_HEADER_SIZE || header.length > context.dataSize - context.offset) return false;
        if (chunkCrc16(chunk + 2, header.length - 2, 0) != header.crc) return false;
        if (header.type == uint8_t(ChunkType::End)) return true;
        if (!applyChunk(context, header.type)) return false;
    }
    return true;
}

}  // namespace

long decompressFrame(CodecInstance& instance, const ICDECOMPRESS& request) {
    if (!request.lpbiInput || !request.lpbiOutput) return ICERR_ERROR;
    const BITMAPINFOHEADER& input = *request.lpbiInput;
    const BITMAPINFOHEADER& output = *request.lpbiOutput;
    const uint8_t outputFormat = chooseOutputFormat(output);
    if (outputFormat == 0 || !isRenderableOutput(output) || !matchesWorkPicture(instance, input)) return ICERR_ERROR;
    const bool render = (request.dwFlags & (ICDECOMPRESS_PREROLL | ICDECOMPRESS_HURRYUP)) == 0;
    if (render && !request.lpOutput) return ICERR_ERROR;

    FrameDecodeContext context{};
    context.sourceWidth = uint32_t(input.biWidth);
    context.sourceHeight = uint32_t(input.biHeight);
    context.outputWidth = uint32_t(output.biWidth);
    context.outputHeight = uint32_t(output.biHeight);
    context.outputBitCount = output.biBitCount;
    // An empty frame (no data) changes nothing: the held picture is shown again.
    context.data = static_cast<const uint8_t*>(request.lpInput);
    context.dataSize = context.data ? input.biSizeImage : 0;
    context.output = static_cast<uint8_t*>(request.lpOutput);
    context.picture = instance.workPicture;
    context.pictureSize = instance.workPictureSize;
    context.pictureStride = instance.workPictureStride;
    context.outputFormat = outputFormat;
    context.mmx = instance.mmxEnabled;
    context.scaleMode = chooseScaleMode(context);
    context.palette = instance.decodePalette;
    context.tables = instance.decodeTables;

    if (!applyChunks(context)) return ICERR_ERROR;
    if (render) renderOutput(context);
    return ICERR_OK;
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
        context.palette[i].rgbRed = colour[0];
        context.palette[i].rgbGreen = colour[1];
        context.palette[i].rgbBlue = colour[2];
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
