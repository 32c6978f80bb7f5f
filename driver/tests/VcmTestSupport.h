// Helpers for tests that reach the driver through the system's Video
// Compression Manager (msvfw32) only.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PoisonedBuffer.h"
#include "vfw_host.h"

namespace drav::test {

constexpr DWORD FOURCC_DRAV_HANDLER = mmioFOURCC('D', 'R', 'A', 'V');
constexpr DWORD FOURCC_DRAV_FORMAT = mmioFOURCC('D', 'R', 'A', 'V');

// A bitmap header followed by room for a full colour table.
struct BitmapFormat {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];

    BITMAPINFOHEADER* get() { return &header; }
};

BitmapFormat makeFormat(LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB);
BitmapFormat makeCompressedFormat(LONG width, LONG height, WORD bitCount);

using host::dibPictureBytes;
using host::windowsPath;

// A picture of the format filled with a pattern that depends on `seed`; 16-bit
// pixels keep their unused top bit clear.
std::vector<uint8_t> patternPicture(const BITMAPINFOHEADER& format, unsigned seed);

// A picture of the format whose every byte is random (seeded), the worst case
// for the compressor.
std::vector<uint8_t> noisePicture(const BITMAPINFOHEADER& format, uint32_t seed);

// A compressor or decompressor opened through ICOpen, closed at scope end.
class OpenCodec {
public:
    explicit OpenCodec(UINT mode);
    ~OpenCodec();
    OpenCodec(const OpenCodec&) = delete;
    OpenCodec& operator=(const OpenCodec&) = delete;
    HIC get() const { return hic_; }
    LRESULT send(UINT message, DWORD_PTR lParam1 = 0, DWORD_PTR lParam2 = 0) const;

private:
    HIC hic_;
};

// One compressed frame: ICCompress's output and what it reported.
struct CompressedFrame {
    LRESULT status = ICERR_ERROR;
    std::vector<uint8_t> bytes;
    DWORD aviFlags = 0;
};

// ICCompress of one frame with a stream already begun on `hic`.
CompressedFrame compressOne(HIC hic, BITMAPINFOHEADER& input, const std::vector<uint8_t>& picture,
                            BITMAPINFOHEADER& output, bool keyFrame, LONG frameNumber);

}  // namespace drav::test
