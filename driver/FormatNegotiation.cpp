#include "FormatNegotiation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "CodecSettings.h"
#include "BitmapFormats.h"
#include "codec/frame_format.h"
#include "codec/stream_format.h"

namespace drav {
namespace {

// Colour tables beyond 256 entries are refused: the proposed decompressed
// format is copied by biSize and biClrUsed.
constexpr DWORD LARGEST_COLOR_TABLE = 256;

bool hasPlausibleHeader(const BITMAPINFOHEADER* format) {
    return hasKnownHeaderSize(format) && format->biClrUsed <= LARGEST_COLOR_TABLE;
}

// Top-down (negative height), empty and oversized pictures are refused up
// front: every buffer size derives from width and height.
bool hasSupportedPictureSize(const BITMAPINFOHEADER& format) { return isStreamPictureSizeSupported(format); }

bool hasSameSize(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight;
}

bool isCompressibleInput(const BITMAPINFOHEADER* input) {
    return hasPlausibleHeader(input) && input->biCompression == BI_RGB && isCompressorInputDepth(input->biBitCount) &&
           hasSupportedPictureSize(*input);
}

bool isCompressedOutputFor(const BITMAPINFOHEADER& input, const BITMAPINFOHEADER& output) {
    return hasFullHeader(&output) && output.biCompression == FOURCC_DRAV && isStreamDepth(output.biBitCount) &&
           hasSameSize(input, output);
}

bool isDecompressibleInput(const BITMAPINFOHEADER* input) {
    return hasPlausibleHeader(input) && input->biCompression == FOURCC_DRAV && isStreamDepth(input->biBitCount) &&
           hasSupportedPictureSize(*input);
}

// The stream's own pixels where the decompression query takes them (16 bits
// with colour-depth conversion allowed), else 24 bits, which every stream
// renders to without loss and which the query always accepts.
WORD proposedDecompressedBitCount(WORD inputBitCount) {
    return WORD(outputBitCount(proposedOutputFormat(inputBitCount, IsColorDepthConversionAllowed())));
}

// Hosts allocate exactly biSizeImage for the picture, so it covers the padded
// rows the decompressor writes; three bytes a pixel where that is larger, as
// earlier releases proposed.
DWORD proposedDecompressedImageSize(LONG width, LONG height, WORD bitCount) {
    const uint64_t paddedRows = dibRowBytes(width, bitCount) * uint64_t(height);
    const uint64_t threeBytesAPixel = uint64_t(width) * uint64_t(height) * 3;
    return DWORD(std::max(paddedRows, threeBytesAPixel));
}

bool isDecompressedOutputFor(const BITMAPINFOHEADER& input, const BITMAPINFOHEADER& output) {
    OutputFormat format;
    if (!hasFullHeader(&output) || !outputFormatOf(output, format)) return false;
    if (!hasSupportedPictureSize(output)) return false;
    if (!IsResizingAllowed() && !hasSameSize(input, output)) return false;
    return IsColorDepthConversionAllowed() || outputBitCount(format) != 16;
}

}  // namespace

LRESULT compressQuery(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    if (!isCompressibleInput(input)) return ICERR_BADFORMAT;
    if (output && !isCompressedOutputFor(*input, *output)) return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT compressGetFormat(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output) {
    LRESULT status = compressQuery(input, nullptr);
    if (status != ICERR_OK) return status;
    if (!output) return LRESULT(compressedFormatBytes(*input));
    describeCompressedStream(*input, output);  // the real colours travel inside the frames
    return ICERR_OK;
}

LRESULT compressGetSize(CodecInstance& instance, const BITMAPINFOHEADER* output) {
    const uint32_t size = hasFullHeader(output) && hasSupportedPictureSize(*output) ? worstCaseFrameSize(*output) : 0;
    // The host's buffer holds `size` bytes; the stream's frames never need
    // more than its own format's worst case.
    if (instance.compressor.running()) instance.maxCompressedSize = std::min(size, instance.compressor.maxFrameSize());
    return LRESULT(size);
}

LRESULT decompressQuery(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    if (!isDecompressibleInput(input)) return ICERR_BADFORMAT;
    if (output && !isDecompressedOutputFor(*input, *output)) return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT decompressGetFormat(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output) {
    LRESULT status = decompressQuery(input, nullptr);
    if (status != ICERR_OK) return status;
    DWORD formatSize = input->biSize + 4 * input->biClrUsed;
    if (!output) return LRESULT(formatSize);
    std::memmove(output, input, formatSize);
    output->biBitCount = proposedDecompressedBitCount(input->biBitCount);
    output->biCompression = BI_RGB;
    output->biSizeImage = proposedDecompressedImageSize(output->biWidth, output->biHeight, output->biBitCount);
    return ICERR_OK;
}

}  // namespace drav
