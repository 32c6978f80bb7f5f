// Any video FFmpeg reads, decoded frame by frame: files, image sequences, pipes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ffmpeg_support.h"

namespace drav::tool {

struct InputSpec {
    std::string path;    // "-": standard input
    std::string format;  // demuxer name; empty: probed
    std::vector<std::pair<std::string, std::string>> options;
    int threads = 0;  // decoder threads; 0: FFmpeg's choice
};

class VideoInput {
public:
    // Throws ToolError naming the file when it cannot be opened or has no video.
    explicit VideoInput(const InputSpec& spec);

    // The next decoded picture, valid until the next call; null at the end.
    // Throws ToolError naming the file and frame when a frame cannot be decoded.
    const AVFrame* nextFrame();

    // Frames per second as the container tells them; 25 when it does not.
    AVRational frameRate() const { return frameRate_; }
    // The frame count the container announces; 0 when unknown.
    int64_t announcedFrameCount() const { return announcedFrames_; }
    const std::string& name() const { return name_; }
    int64_t framesDecoded() const { return framesDecoded_; }

private:
    bool receiveFrame();
    void sendNextPacket();

    std::string name_;
    InputContext format_;
    CodecContext decoder_;
    Packet packet_;
    Frame frame_;
    int streamIndex_ = -1;
    AVRational frameRate_{25, 1};
    int64_t announcedFrames_ = 0;
    int64_t framesDecoded_ = 0;
    bool draining_ = false;
};

}  // namespace drav::tool
