// Any video FFmpeg reads, decoded frame by frame: files, image sequences, pipes.
// Reading and decoding run on a thread of their own, a few frames ahead of the
// caller, so that decoding a compressed source overlaps compressing it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
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
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    // Moves the next decoded picture into `into` (which lets go of what it
    // held), for the caller to keep as long as it likes; false at the end.
    // After a signal (interrupted()) no more is read, and false comes once the
    // pictures already decoded are taken: a stalled pipe or device cannot
    // hold a recording open.
    // Throws ToolError naming the file and frame when a frame cannot be decoded.
    bool nextFrame(AVFrame& into);

    // Frames per second as the container tells them; 25 when it does not.
    AVRational frameRate() const;
    // The frame count the container announces; 0 when unknown.
    int64_t announcedFrameCount() const;

private:
    // The input, its decoder and the frames read ahead: everything the reading
    // thread touches. The thread holds a share of it, so that after a signal
    // a thread still blocked on an input that stalled can be left behind.
    class Reading;

    std::shared_ptr<Reading> reading_;
    std::thread reader_;
};

}  // namespace drav::tool
