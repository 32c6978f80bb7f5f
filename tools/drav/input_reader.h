// Any video FFmpeg reads, decoded frame by frame: files, image sequences, pipes.
// Reading and decoding run on a thread of their own, a few frames ahead of the
// caller, so that decoding a compressed source overlaps compressing it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
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
    // Throws ToolError naming the file and frame when a frame cannot be decoded.
    bool nextFrame(AVFrame& into);

    // Frames per second as the container tells them; 25 when it does not.
    AVRational frameRate() const { return frameRate_; }
    // The frame count the container announces; 0 when unknown.
    int64_t announcedFrameCount() const { return announcedFrames_; }
    const std::string& name() const { return name_; }

private:
    static constexpr size_t FRAMES_AHEAD = 3;

    void readAhead();  // the reading thread
    bool decodeNext(AVFrame& into);
    bool receiveFrame(AVFrame& into);
    void sendNextPacket();

    std::string name_;
    InputContext format_;
    CodecContext decoder_;
    Packet packet_;
    int streamIndex_ = -1;
    AVRational frameRate_{25, 1};
    int64_t announcedFrames_ = 0;
    int64_t framesDecoded_ = 0;  // by the reading thread
    bool draining_ = false;

    // A ring of frames the reading thread fills ahead of the caller, who
    // takes them out in order. Guarded by mutex_.
    std::vector<Frame> ring_;
    size_t filled_ = 0;    // slots decoded so far
    size_t consumed_ = 0;  // slots the caller has emptied
    bool ended_ = false;   // no more frames after `filled_`
    bool stopping_ = false;
    std::exception_ptr failure_;  // thrown once the frames before it are taken
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread reader_;
};

}  // namespace drav::tool
