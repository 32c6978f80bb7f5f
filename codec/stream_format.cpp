#include "codec/stream_format.h"

#include "codec/frame_coding.h"
#include "codec/frame_inspector.h"

namespace drav {
namespace {

std::string sizeText(const PictureFormat& format) {
    return std::to_string(format.width) + "x" + std::to_string(format.height);
}

std::string pictureSizeProblem(const PictureFormat& format) {
    if (isPictureSizeSupported(format.width, format.height)) return {};
    return "unsupported picture size " + sizeText(format) + " (1 to 65535 each way, buffers below 4 GiB)";
}

constexpr OutputFormat OWN_PIXELS_FIRST[OUTPUT_FORMAT_COUNT] = {OutputFormat::Rgb555, OutputFormat::Bgrx32,
                                                                OutputFormat::Bgr24, OutputFormat::Rgb565};
constexpr OutputFormat COLOR_FIRST[OUTPUT_FORMAT_COUNT] = {OutputFormat::Bgr24, OutputFormat::Bgrx32,
                                                           OutputFormat::Rgb555, OutputFormat::Rgb565};

}  // namespace

bool isCompressorInputDepth(unsigned depth) { return depth == 8 || depth == 16 || depth == 32; }

bool isStreamDepth(unsigned depth) { return depth == 8 || depth == 16 || depth == 24; }

std::string compressorInputProblem(const PictureFormat& input) {
    if (!isCompressorInputDepth(input.depth))
        return "unsupported depth " + std::to_string(input.depth) + " bits per pixel (the codec takes 8, 16 or 32)";
    return pictureSizeProblem(input);
}

std::string streamProblem(const PictureFormat& stream) {
    if (!isStreamDepth(stream.depth))
        return "unsupported depth " + std::to_string(stream.depth) + " bits per pixel (DRAV streams have 8, 16 or 24)";
    return pictureSizeProblem(stream);
}

CompressedStreamFormat proposeCompressedFormat(const PictureFormat& input) {
    CompressedStreamFormat format;
    format.width = input.width;
    format.height = input.height;
    format.depth = compressedDepthFor(input.depth);
    format.maxFrameSize = worstCaseFrameSize(input.width, input.height);
    format.colorTableEntries = format.depth == 8 ? PALETTE_ENTRIES : 0;
    return format;
}

void writeCompressedStreamHeader(const CompressedStreamFormat& format, uint8_t header[BITMAP_HEADER_SIZE]) {
    for (size_t i = 0; i < BITMAP_HEADER_SIZE; ++i) header[i] = 0;
    writeU32(header + 0, uint32_t(BITMAP_HEADER_SIZE));
    writeU32(header + 4, format.width);
    writeU32(header + 8, format.height);
    writeU16(header + 12, 1);
    writeU16(header + 14, uint16_t(format.depth));
    writeU32(header + 16, FOURCC_DRAV);
    writeU32(header + 20, format.maxFrameSize);
}

const OutputFormat* outputFormatsFor(unsigned streamDepth) {
    return streamDepth == 16 ? OWN_PIXELS_FIRST : COLOR_FIRST;
}

OutputFormat proposedOutputFormat(unsigned streamDepth, bool sixteenBitsAllowed) {
    OutputFormat first = outputFormatsFor(streamDepth)[0];
    return outputBitCount(first) == 16 && !sixteenBitsAllowed ? OutputFormat::Bgr24 : first;
}

uint64_t outputPictureBytes(uint32_t width, uint32_t height, OutputFormat format) {
    return uint64_t(outputRowBytes(width, format)) * height;
}

bool probeKeyFrame(ByteSpan frame, PictureFormat& stream) {
    FrameInspector inspector(frame.data, frame.size > UINT32_MAX ? UINT32_MAX : uint32_t(frame.size),
                             MAX_PICTURE_DIMENSION, MAX_PICTURE_DIMENSION);
    ChunkInfo chunk;
    while (inspector.next(chunk)) {
        if (!changesPixels(chunk)) continue;
        if (chunk.x != 0 || chunk.y != 0) return false;
        stream = {chunk.width, chunk.height, chunk.pixelFormat == PIXEL_FORMAT_PALETTE ? 8u : 16u};
        return true;
    }
    return false;
}

}  // namespace drav
