#include "codec_streams.h"

#include <algorithm>
#include <string>

#include "codec/frame_format.h"
#include "codec/stream_format.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

std::string sizeText(const BITMAPINFOHEADER& header) {
    return std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight);
}

// The rows of both ranges and those between them.
RowRange spanOf(const RowRange& a, const RowRange& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return RowRange{std::min(a.first, b.first), std::max(a.end, b.end)};
}

}  // namespace

void throwOnBeginFailure(CodecStatus status, const char* direction) {
    if (status == CodecStatus::Ok) return;
    if (status == CodecStatus::OutOfMemory)
        throw ToolError(std::string("not enough memory for the ") + direction + " stream");
    throw ToolError(std::string("the codec refused the ") + direction + " stream");
}

PictureFormat pictureFormatOf(const BITMAPINFOHEADER& header) {
    return PictureFormat{uint32_t(header.biWidth), uint32_t(header.biHeight), header.biBitCount};
}

void requireSupportedPictureSize(const BITMAPINFOHEADER& header, const char* what) {
    if (!isPictureSizeSupported(header.biWidth, header.biHeight))
        throw ToolError(std::string("unsupported ") + what + " size " + sizeText(header) +
                        " (bottom-up, 1 to 65535 each way, buffers below 4 GiB)");
}

BITMAPINFOHEADER compressedStreamFormat(const BITMAPINFOHEADER& input) {
    CompressedStreamFormat proposed = proposeCompressedFormat(pictureFormatOf(input));
    BITMAPINFOHEADER format = dibHeader(proposed.width, proposed.height, proposed.depth, FOURCC_DRAV);
    format.biSizeImage = proposed.maxFrameSize;
    return format;
}

CompressionStream::CompressionStream(const BITMAPINFOHEADER& input) {
    requireSupportedPictureSize(input);
    compressed_ = compressedStreamFormat(input);
    throwOnBeginFailure(codec_.begin(pictureFormatOf(input)), "compression");
    output_.resize(codec_.maxFrameSize());
}

bool CompressionStream::compress(const DibPicture& picture, bool keyFrame, FrameBytes& result) {
    const BITMAPINFOHEADER& header = picture.info.header;
    if (header.biWidth != compressed_.biWidth || header.biHeight != compressed_.biHeight ||
        header.biBitCount != codec_.format().depth)
        return false;
    static_assert(sizeof(RGBQUAD) == sizeof(PaletteEntry), "a colour table is the codec's palette");
    const auto* palette = reinterpret_cast<const PaletteEntry*>(picture.info.colors);
    ::drav::CompressedFrame coded;
    if (codec_.compress(ByteSpan{picture.pixels.data(), picture.pixels.size()}, palette, keyFrame,
                        MutableByteSpan{output_.data(), output_.size()}, coded) != CodecStatus::Ok)
        return false;
    result.data = output_.data();
    result.size = coded.size;
    result.keyFrame = coded.keyFrame;
    return true;
}

DecompressionStream::DecompressionStream(const BITMAPINFOHEADER& compressed, DibFormat format, uint32_t outputWidth,
                                         uint32_t outputHeight, bool mmxForms)
    : outputHeader_(outputHeaderFor(format, outputWidth, outputHeight)),
      sameSize_(outputHeader_.biWidth == compressed.biWidth && outputHeader_.biHeight == compressed.biHeight) {
    if (compressed.biCompression != FOURCC_DRAV) throw ToolError("not a DRAV stream");
    if (!isStreamDepth(compressed.biBitCount)) throw ToolError(streamProblem(pictureFormatOf(compressed)));
    requireSupportedPictureSize(compressed);
    requireSupportedPictureSize(outputHeader_, "output");
    throwOnBeginFailure(codec_.begin(pictureFormatOf(compressed)), "decompression");
    for (Output& output : outputs_) prepareOutput(output, format, outputWidth, outputHeight, mmxForms);
}

// Same-size output is kept top-down, so that a picture whose rows need no
// padding can be written out from where it lies; other sizes are a bottom-up
// DIB.
void DecompressionStream::prepareOutput(Output& output, DibFormat format, uint32_t width, uint32_t height,
                                        bool mmxForms) {
    output.pixels.allocate(outputHeader_.biSizeImage);
    OutputPicture& picture = output.picture;
    picture.width = width;
    picture.height = height;
    picture.format = dibFormatOutputFormat(format);
    picture.forms = mmxForms ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    const ptrdiff_t stride = ptrdiff_t(dibStride(width, dibFormatBitCount(format)));
    picture.rows = output.pixels.data() + (sameSize_ ? ptrdiff_t(height - 1) * stride : 0);
    picture.stride = sameSize_ ? -stride : stride;
}

PictureRows DecompressionStream::outputRows() const {
    const Output& shown = outputs_[shown_];
    if (!sameSize_) return bottomUpRows(shown.pixels.data(), outputHeader_);
    return PictureRows{shown.pixels.data(), int(-shown.picture.stride)};
}

// Renders only what the frame changed, into the picture not shown: nothing
// for a frame without rectangles, and at the stream's own size only the rows
// it covers and those the other picture showed before.
bool DecompressionStream::decompress(const uint8_t* data, uint32_t size) {
    RowRange changed;
    if (codec_.apply(ByteSpan{data, size}, &changed) != CodecStatus::Ok) return false;
    if (changed.empty()) return true;
    for (Output& output : outputs_) output.stale = spanOf(output.stale, changed);
    Output& next = outputs_[1 - shown_];
    const CodecStatus rendered =
        sameSize_ ? codec_.renderRows(next.picture, next.stale.first, next.stale.end) : codec_.render(next.picture);
    if (rendered != CodecStatus::Ok) return false;
    next.stale = RowRange{};
    shown_ = 1 - shown_;
    return true;
}

}  // namespace drav::tool
