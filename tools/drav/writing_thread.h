// Pictures written out on a thread of their own, one frame behind the
// caller: converting, encoding and writing one frame overlaps decoding the
// next.
#pragma once

#include <cstdint>
#include <exception>

#include "background_call.h"
#include "dib_format.h"
#include "video_output.h"

namespace drav::tool {

class WritingThread {
public:
    // Starts the thread; `output` must outlive it.
    explicit WritingThread(VideoOutput& output) : output_(output) {}

    // Waits until the picture before is written, then hands this one over;
    // its rows must stay as they are until the next write() or finish()
    // returns. Throws what writing an earlier picture threw.
    void write(const PictureRows& picture, int64_t frameNumber);
    // Waits until the last picture is written; throws what writing threw.
    void finish();

private:
    void writeHandedOver() noexcept;

    VideoOutput& output_;
    // Read and written by the thread only between write() and the wait that follows.
    PictureRows picture_{};
    int64_t frameNumber_ = 0;
    std::exception_ptr failure_;  // the first write that failed; no more are taken
    BackgroundCall thread_;       // last: its destructor waits for a picture being written
};

}  // namespace drav::tool
