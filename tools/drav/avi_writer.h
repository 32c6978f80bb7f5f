// Writes DRAV AVIs through libavformat's AVI muxer: one video stream with
// FOURCC DRAV whose format is the driver's proposed compressed format, key
// frames flagged in the index, OpenDML segments past 1 GiB.
#pragma once

#include <cstdint>
#include <string>

#include "codec/win_records.h"
#include "ffmpeg_support.h"

namespace drav::tool {

class DravAviWriter {
public:
    // Throws ToolError naming the file when it cannot be created.
    DravAviWriter(const std::string& path, const BITMAPINFOHEADER& compressedFormat, AVRational frameRate);
    // Without finish() the incomplete file is removed.
    ~DravAviWriter();
    DravAviWriter(const DravAviWriter&) = delete;
    DravAviWriter& operator=(const DravAviWriter&) = delete;

    void writeFrame(const uint8_t* data, uint32_t size, bool keyFrame);

    // Writes the index and the final header. Throws ToolError on failure.
    void finish();

    int64_t framesWritten() const { return frames_; }
    int64_t frameBytesWritten() const { return frameBytes_; }
    int64_t fileBytes() const { return fileBytes_; }

private:
    std::string path_;
    BITMAPINFOHEADER format_;
    OutputContext muxer_;
    AVStream* stream_ = nullptr;
    AVRational frameDuration_;
    Packet packet_;
    int64_t frames_ = 0, frameBytes_ = 0, fileBytes_ = 0;
    bool finished_ = false;
};

// libavformat fills biSizeImage with the size of an uncompressed picture and
// biClrUsed with 256 for paletted streams; the driver's proposed format has the
// worst-case frame size in the first and 0 in the others. Sets those fields and
// biClrImportant of the first stream's format in a finished AVI file to
// format's. False when the file has no such format.
bool restoreStreamFormatSizes(const std::string& path, const BITMAPINFOHEADER& format);

}  // namespace drav::tool
