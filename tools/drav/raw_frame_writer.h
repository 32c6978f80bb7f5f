// Raw frames without FFmpeg's rawvideo encoder and without avio's buffer: the
// encoder only copies each picture into a new packet of packed top-down rows,
// the rawvideo muxer only appends a packet's bytes to the output, and the
// buffer only copies them once more. A picture whose rows are packed top-down
// goes out from where it lies; any other is packed into one buffer kept for
// the whole stream.
#pragma once

#include <cstdint>
#include <vector>

#include "dib_format.h"
#include "ffmpeg_support.h"

namespace drav::tool {

class RawFrameWriter {
public:
    // rowBytes: a row's pixels without padding. Makes output write straight through.
    RawFrameWriter(AVIOContext& output, int rowBytes, int height);

    // Writes one picture of the size given above; the output's FFmpeg status.
    int write(const PictureRows& rows);

private:
    const uint8_t* packedRows(const PictureRows& rows);

    AVIOContext& output_;
    int rowBytes_, height_;
    std::vector<uint8_t> packed_;
};

}  // namespace drav::tool
