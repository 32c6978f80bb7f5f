// The frame codec's picture terms for the system's bitmap headers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "codec/frame_codec.h"

namespace drav {

// A header the driver may read: at least the BITMAPINFOHEADER fields, so that
// nothing past what the host declared is read. Checked before any other field.
inline bool hasFullHeader(const BITMAPINFOHEADER* format) {
    return format && format->biSize >= sizeof(BITMAPINFOHEADER);
}

// A header whose colour table can be found: it follows the header at biSize,
// and only the published sizes (BITMAPINFOHEADER to BITMAPV5HEADER) are believed.
inline bool hasKnownHeaderSize(const BITMAPINFOHEADER* format) {
    constexpr DWORD LARGEST_HEADER_SIZE = 124;
    return hasFullHeader(format) && format->biSize <= LARGEST_HEADER_SIZE;
}

// True when a bitmap's width and height fit the format (1 to 65,535,
// bottom-up) and every buffer size derived from them fits in 32 bits.
inline bool isStreamPictureSizeSupported(const BITMAPINFOHEADER& format) {
    return isPictureSizeSupported(format.biWidth, format.biHeight);
}

// Worst-case size of one compressed frame for an output format:
// biWidth x biHeight x 3 + 803, in 32-bit arithmetic.
inline uint32_t worstCaseFrameSize(const BITMAPINFOHEADER& output) {
    return worstCaseFrameSize(uint32_t(output.biWidth), uint32_t(output.biHeight));
}

// For headers whose size the checks above have passed.
inline PictureFormat pictureFormatOf(const BITMAPINFOHEADER& format) {
    return PictureFormat{uint32_t(format.biWidth), uint32_t(format.biHeight), format.biBitCount};
}

// The compressed stream format proposed for an input (the codec's
// proposal): its bytes, the header and the colour table behind it.
uint32_t compressedFormatBytes(const BITMAPINFOHEADER& input);
// Writes the header and, for 8-bit input, the all-zero colour table behind it.
void describeCompressedStream(const BITMAPINFOHEADER& input, BITMAPINFOHEADER* compressed);

// The renderer's format for an output header; false when it has none. The
// masks after a BI_BITFIELDS header are not read: 16 bits means 5-6-5.
bool outputFormatOf(const BITMAPINFOHEADER& output, OutputFormat& format);

}  // namespace drav
