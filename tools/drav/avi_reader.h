// Reads DRAV AVIs back through libavformat: the stream's compressed format
// and its frames with their key-frame flags, noticing truncated files.
#pragma once

#include <cstdint>
#include <string>

#include "win_records.h"
#include "ffmpeg_support.h"
#include "stored_frame.h"

namespace drav::tool {

struct DravStreamInfo {
    BITMAPINFOHEADER format{};  // as the stream header gives it; biSizeImage 0
    AVRational frameRate{0, 1};
    int64_t announcedFrames = 0;  // the header's frame count; 0 when unknown
};

class DravAviReader {
public:
    // Throws ToolError naming the file when it cannot be read or holds no DRAV
    // video stream.
    explicit DravAviReader(const std::string& path);

    const DravStreamInfo& stream() const { return info_; }
    const std::string& path() const { return path_; }

    enum class Result { FrameRead, End, Unreadable };
    // The next frame of the DRAV stream; valid until the next call. Frames the
    // index does not list (all of them when it is lost) come with
    // keyFlagKnown false. Unreadable
    // when the file breaks off; readError() then says why.
    Result next(StoredFrame& frame);
    const std::string& readError() const { return readError_; }

private:
    std::string path_;
    InputContext demuxer_;
    Packet packet_;
    int streamIndex_ = -1;
    DravStreamInfo info_;
    int64_t framesRead_ = 0;
    int64_t lastIndexedFrame_ = -1;  // frames after it have no key flag of their own
    std::string readError_;
};

// "DRAV", or the bytes in hex when they are not printable.
std::string fourccText(uint32_t fourcc);

}  // namespace drav::tool
