// The uncompressed DIB layouts the tool hands to the codec and takes from it,
// and the FFmpeg pixel formats that have the same bytes.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "codec/frame_codec.h"
#include "win_records.h"

namespace drav::tool {

// Output layouts of the renderer.
enum class DibFormat { StreamDefault, Bgr24, Bgr0, Rgb555, Rgb565 };

// "bgr24", "bgr0", "rgb555", "rgb565"; false for anything else.
bool parseDibFormat(const std::string& name, DibFormat& format);
const char* dibFormatName(DibFormat format);

// What a stream of the given depth is decoded to when no format is asked for:
// the codec's proposed output format (RGB555 for 16 bits, else BGR24).
DibFormat defaultOutputFormat(unsigned streamBitCount);

unsigned dibFormatBitCount(DibFormat format);
// The codec's output format for the layout.
OutputFormat dibFormatOutputFormat(DibFormat format);
AVPixelFormat dibFormatPixelFormat(DibFormat format);

// The header of a bottom-up DIB, biSizeImage included.
BITMAPINFOHEADER dibHeader(uint32_t width, uint32_t height, unsigned bitCount, DWORD compression = BI_RGB);

// The output BITMAPINFOHEADER the decompressor reads the layout from (BI_BITFIELDS
// selects 5-6-5 at 16 bits).
BITMAPINFOHEADER outputHeaderFor(DibFormat format, uint32_t width, uint32_t height);

// The pixel format of compressor input at a depth: 32 BGRX, 16 RGB555, 8 palette.
AVPixelFormat inputPixelFormatForDepth(unsigned depth);

// The depth the encoder uses when none is asked for: 8 for paletted input,
// 16 for RGB555 input, 32 for anything else.
unsigned defaultInputDepth(AVPixelFormat sourceFormat);

bool isPalettedFormat(AVPixelFormat format);

// Bytes per DIB row (padded to 4 bytes) and per picture.
uint64_t dibStride(uint32_t width, unsigned bitCount);
uint64_t dibPictureBytes(uint32_t width, uint32_t height, unsigned bitCount);

// A picture's rows as FFmpeg addresses them: the top row first, each next row
// stride bytes on (negative for a bottom-up DIB).
struct PictureRows {
    const uint8_t* top = nullptr;
    int stride = 0;
};

// The rows of a bottom-up DIB of the header's size and depth.
PictureRows bottomUpRows(const uint8_t* dib, const BITMAPINFOHEADER& header);

}  // namespace drav::tool
