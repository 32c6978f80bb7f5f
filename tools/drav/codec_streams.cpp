#include "codec_streams.h"

#include <algorithm>
#include <string>

#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/frame_format.h"
#include "codec/renderer.h"
#include "frame_inspector.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

std::string sizeText(const BITMAPINFOHEADER& header) {
    return std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight);
}

void throwOnBeginFailure(long status, const char* direction) {
    if (status == ICERR_OK) return;
    if (status == ICERR_MEMORY) throw ToolError(std::string("not enough memory for the ") + direction + " stream");
    throw ToolError(std::string("the codec refused the ") + direction + " stream (status " + std::to_string(status) +
                    ")");
}

}  // namespace

void requireSupportedPictureSize(const BITMAPINFOHEADER& header, const char* what) {
    if (!isStreamPictureSizeSupported(header))
        throw ToolError(std::string("unsupported ") + what + " size " + sizeText(header) +
                        " (bottom-up, 1 to 65535 each way, buffers below 4 GiB)");
}

bool isDecodableStreamDepth(unsigned bitCount) { return bitCount == 8 || bitCount == 16 || bitCount == 24; }

CompressionStream::CompressionStream(const BITMAPINFOHEADER& input) {
    requireSupportedPictureSize(input);
    describeCompressedStream(input, compressed_);
    throwOnBeginFailure(beginCompressionStream(instance_, input, compressed_, false), "compression");
    output_.resize(worstCaseFrameSize(compressed_));
}

CompressionStream::~CompressionStream() {
    endCompressionStream(instance_);
    releaseStreamBuffers(instance_);
}

bool CompressionStream::compress(DibPicture& picture, int64_t frameNumber, bool keyFrame, CompressedFrame& result) {
    frameHeader_ = compressed_;
    DWORD chunkId = 0;
    DWORD aviFlags = 0;
    ICCOMPRESS request{};
    request.dwFlags = keyFrame ? ICCOMPRESS_KEYFRAME : 0;
    request.lpbiOutput = &frameHeader_;
    request.lpOutput = output_.data();
    request.lpbiInput = &picture.info.header;
    request.lpInput = picture.pixels.data();
    request.lpckid = &chunkId;
    request.lpdwFlags = &aviFlags;
    request.lFrameNum = LONG(frameNumber);
    if (compressFrame(instance_, request) != ICERR_OK || frameHeader_.biSizeImage > output_.size()) return false;
    result.data = output_.data();
    result.size = frameHeader_.biSizeImage;
    result.keyFrame = (aviFlags & AVIIF_KEYFRAME) != 0;
    return true;
}

DecompressionStream::DecompressionStream(const BITMAPINFOHEADER& compressed, DibFormat format, uint32_t outputWidth,
                                         uint32_t outputHeight, bool mmxForms)
    : compressed_(compressed),
      outputHeader_(outputHeaderFor(format, outputWidth, outputHeight)),
      outputStride_(uint32_t(dibStride(outputWidth, dibFormatBitCount(format)))),
      rendererCode_(dibFormatRendererCode(format)),
      sameSize_(outputHeader_.biWidth == compressed.biWidth && outputHeader_.biHeight == compressed.biHeight) {
    if (compressed.biCompression != FOURCC_DRAV) throw ToolError("not a DRAV stream");
    if (!isDecodableStreamDepth(compressed.biBitCount))
        throw ToolError("unsupported depth " + std::to_string(compressed.biBitCount) +
                        " bits per pixel (DRAV streams have 8, 16 or 24)");
    requireSupportedPictureSize(compressed);
    requireSupportedPictureSize(outputHeader_, "output");
    throwOnBeginFailure(beginDecompressionStream(instance_, compressed_, mmxForms), "decompression");
    output_.assign(outputHeader_.biSizeImage, 0);
}

DecompressionStream::~DecompressionStream() {
    endDecompressionStream(instance_);
    releaseStreamBuffers(instance_);
}

PictureRows DecompressionStream::outputRows() const {
    if (!sameSize_) return bottomUpRows(output_.data(), outputHeader_);
    return PictureRows{output_.data(), int(outputStride_)};
}

bool DecompressionStream::decompress(const uint8_t* data, uint32_t size) {
    // An empty frame carries nothing to apply: the held picture stands.
    if (size == 0) return true;
    RowSpan changed = changedRows(data, size);
    bool changesPicture = changed.first < changed.end;
    if (!applyAndRender(data, size, changesPicture && !sameSize_)) return false;
    if (sameSize_) renderRowsTopDown(changed);
    return true;
}

// Every row when the frame does not parse: the codec has the last word on it.
DecompressionStream::RowSpan DecompressionStream::changedRows(const uint8_t* data, uint32_t size) const {
    uint32_t width = uint32_t(compressed_.biWidth), height = uint32_t(compressed_.biHeight);
    FrameInspection inspection = inspectFrame(data, size, width, height, CrcCheck::Skip);
    if (!inspection.intact) return RowSpan{0, height};
    RowSpan rows{UINT32_MAX, 0};
    for (const ChunkSummary& chunk : inspection.chunks) {
        if (!changesPixels(chunk)) continue;
        rows.first = std::min<uint32_t>(rows.first, chunk.y);
        rows.end = std::max<uint32_t>(rows.end, uint32_t(chunk.y) + chunk.height);
    }
    return rows;
}

bool DecompressionStream::applyAndRender(const uint8_t* data, uint32_t size, bool render) {
    BITMAPINFOHEADER input = compressed_;
    input.biSizeImage = size;
    ICDECOMPRESS request{};
    request.dwFlags = render ? 0 : ICDECOMPRESS_HURRYUP;
    request.lpbiInput = &input;
    request.lpInput = const_cast<uint8_t*>(data);
    request.lpbiOutput = &outputHeader_;
    request.lpOutput = output_.data();
    return decompressFrame(instance_, request) == ICERR_OK;
}

// Same-size output is a copy of the work picture, row for row: rendering one
// row as a picture of its own gives the same pixels, and puts it in its
// top-down place.
void DecompressionStream::renderRowsTopDown(RowSpan rows) {
    uint32_t height = uint32_t(outputHeader_.biHeight);
    FrameDecodeContext context{};
    context.sourceWidth = context.outputWidth = uint32_t(compressed_.biWidth);
    context.sourceHeight = context.outputHeight = 1;
    context.outputBitCount = outputHeader_.biBitCount;
    context.pictureStride = instance_.workPictureStride;
    context.outputFormat = rendererCode_;
    context.scaleMode = SCALE_COPY;
    context.mmx = instance_.mmxEnabled;
    context.palette = instance_.decodePalette;
    for (uint32_t row = rows.first; row < std::min(rows.end, height); ++row) {
        uint32_t skipped = row * instance_.workPictureStride;
        context.picture = instance_.workPicture + skipped;
        context.pictureSize = instance_.workPictureSize - skipped;
        context.output = output_.data() + size_t(height - 1 - row) * outputStride_;
        renderOutput(context);
    }
}

}  // namespace drav::tool
