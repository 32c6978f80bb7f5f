#include "dib_format.h"

#include "codec/frame_format.h"
#include "codec/stream_format.h"

namespace drav::tool {
namespace {

struct DibFormatEntry {
    DibFormat format;
    const char* name;
    unsigned bitCount;
    AVPixelFormat pixelFormat;
    DWORD compression;
    OutputFormat outputFormat;
};

constexpr DibFormatEntry DIB_FORMATS[] = {
    {DibFormat::Bgr24, "bgr24", 24, AV_PIX_FMT_BGR24, BI_RGB, OutputFormat::Bgr24},
    {DibFormat::Bgr0, "bgr0", 32, AV_PIX_FMT_BGR0, BI_RGB, OutputFormat::Bgrx32},
    {DibFormat::Rgb555, "rgb555", 16, AV_PIX_FMT_RGB555LE, BI_RGB, OutputFormat::Rgb555},
    {DibFormat::Rgb565, "rgb565", 16, AV_PIX_FMT_RGB565LE, BI_BITFIELDS, OutputFormat::Rgb565},
};

const DibFormatEntry& entryFor(DibFormat format) {
    for (const auto& entry : DIB_FORMATS)
        if (entry.format == format) return entry;
    return DIB_FORMATS[0];  // StreamDefault is resolved before any layout is needed
}

}  // namespace

bool parseDibFormat(const std::string& name, DibFormat& format) {
    for (const auto& entry : DIB_FORMATS) {
        if (name == entry.name) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

const char* dibFormatName(DibFormat format) { return entryFor(format).name; }

DibFormat defaultOutputFormat(unsigned streamBitCount) {
    OutputFormat proposed = proposedOutputFormat(streamBitCount);
    for (const auto& entry : DIB_FORMATS)
        if (entry.outputFormat == proposed) return entry.format;
    return DibFormat::Bgr24;
}

unsigned dibFormatBitCount(DibFormat format) { return entryFor(format).bitCount; }

AVPixelFormat dibFormatPixelFormat(DibFormat format) { return entryFor(format).pixelFormat; }

OutputFormat dibFormatOutputFormat(DibFormat format) { return entryFor(format).outputFormat; }

BITMAPINFOHEADER dibHeader(uint32_t width, uint32_t height, unsigned bitCount, DWORD compression) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = LONG(width);
    header.biHeight = LONG(height);
    header.biPlanes = 1;
    header.biBitCount = WORD(bitCount);
    header.biCompression = compression;
    header.biSizeImage = DWORD(dibPictureBytes(width, height, bitCount));
    return header;
}

BITMAPINFOHEADER outputHeaderFor(DibFormat format, uint32_t width, uint32_t height) {
    const DibFormatEntry& entry = entryFor(format);
    return dibHeader(width, height, entry.bitCount, entry.compression);
}

AVPixelFormat inputPixelFormatForDepth(unsigned depth) {
    switch (depth) {
        case 8: return AV_PIX_FMT_PAL8;
        case 16: return AV_PIX_FMT_RGB555LE;
        default: return AV_PIX_FMT_BGR0;
    }
}

bool isPalettedFormat(AVPixelFormat format) { return format == AV_PIX_FMT_PAL8; }

unsigned defaultInputDepth(AVPixelFormat sourceFormat) {
    if (isPalettedFormat(sourceFormat)) return 8;
    if (sourceFormat == AV_PIX_FMT_RGB555LE || sourceFormat == AV_PIX_FMT_RGB555BE) return 16;
    return 32;
}

uint64_t dibStride(uint32_t width, unsigned bitCount) { return dibRowBytes(width, bitCount); }

uint64_t dibPictureBytes(uint32_t width, uint32_t height, unsigned bitCount) {
    return dibStride(width, bitCount) * height;
}

PictureRows bottomUpRows(const uint8_t* dib, const BITMAPINFOHEADER& header) {
    size_t stride = size_t(dibStride(uint32_t(header.biWidth), header.biBitCount));
    return PictureRows{dib + (uint32_t(header.biHeight) - 1) * stride, -int(stride)};
}

}  // namespace drav::tool
