#include "stream_figures.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "dib_format.h"

namespace drav::tool {

std::string compressionRatioText(const BITMAPINFOHEADER& streamFormat, int64_t frames, int64_t compressedBytes) {
    // A top-down stream's negative height is no smaller a picture.
    const uint32_t height = uint32_t(std::llabs(int64_t(streamFormat.biHeight)));
    const uint64_t pictureBytes = dibPictureBytes(uint32_t(streamFormat.biWidth), height, streamFormat.biBitCount);
    const double rawBytes = double(pictureBytes) * double(frames);
    char text[160];
    std::snprintf(text, sizeof text, "%.1f: %u-bit DIB frames %.0f bytes, compressed frames %" PRId64 " bytes",
                  compressedBytes > 0 ? rawBytes / double(compressedBytes) : 0.0, unsigned(streamFormat.biBitCount),
                  rawBytes, compressedBytes);
    return text;
}

}  // namespace drav::tool
