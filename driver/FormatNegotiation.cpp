#include "FormatNegotiation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "CodecSettings.h"
#include "BitmapFormats.h"
#include "codec/frame_format.h"

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

bool isOneOf(WORD bitCount, WORD first, WORD second, WORD third) {
    return bitCount == first || bitCount == second || bitCount == third;
}

bool isCompressibleInput(const BITMAPINFOHEADER* input) {
    return hasPlausibleHeader(input) && input->biCompression == BI_RGB && isOneOf(input->biBitCount, 8, 16, 32) &&
           hasSupportedPictureSize(*input);
}

bool isCompressedOutputFor(const BITMAPINFOHEADER& input, const BITMAPINFOHEADER& output) {
    return hasFullHeader(&output) && output.biCompression == FOURCC_DRAV && isOneOf(output.biBitCount, 8, 16, 24) &&
           hasSameSize(input, output);
}

bool isDecompressibleInput(const BITMAPINFOHEADER* input) {
    return hasPlausibleHeader(input) && input->biCompression == FOURCC_DRAV && isOneOf(input->biBitCount, 8, 16, 24) &&
           hasSupportedPictureSize(*input);
}

// The stream's own depth where the decompression query takes it as an output
// (16 bits with colour-depth conversion allowed), else 24 bits, which every
// stream renders to without loss and which the query always accepts.
WORD proposedDecompressedBitCount(WORD inputBitCount) {
    return inputBitCount == 16 && IsColorDepthConversionAllowed() ? 16 : 24;
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
    if (!hasFullHeader(&output)) return false;
    if (output.biCompression != BI_RGB && output.biCompression != BI_BITFIELDS) return false;
    if (!hasSupportedPictureSize(output)) return false;
    if (!IsResizingAllowed() && !hasSameSize(input, output)) return false;
    if (!IsColorDepthConversionAllowed() && output.biBitCount != 24 && output.biBitCount != 32) return false;
    return isOneOf(output.biBitCount, 16, 24, 32);
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
    bool paletted = input->biBitCount == 8;
    if (!output) return paletted ? PALETTED_COMPRESSED_FORMAT_SIZE : COMPRESSED_FORMAT_SIZE;
    describeCompressedStream(*input, *output);
    // The real colours travel inside the frames.
    if (paletted) std::memset(output + 1, 0, PALETTE_ENTRIES * sizeof(RGBQUAD));
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
