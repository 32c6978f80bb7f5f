// Pictures written out on a thread of their own, one frame behind the
// caller: converting, encoding and writing one frame overlaps decoding the
// next.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

#include "dib_format.h"
#include "video_output.h"

namespace drav::tool {

class WritingThread {
public:
    // Starts the thread; `output` must outlive it.
    explicit WritingThread(VideoOutput& output);
    // Waits for the picture being written, drops one not yet taken up.
    ~WritingThread();
    WritingThread(const WritingThread&) = delete;
    WritingThread& operator=(const WritingThread&) = delete;

    // Waits until the picture before is written, then hands this one over;
    // its rows must stay as they are until the next write() or finish()
    // returns. Throws what writing an earlier picture threw.
    void write(const PictureRows& picture, int64_t frameNumber);
    // Waits until the last picture is written; throws what writing threw.
    void finish();

private:
    void run();
    void waitForWritten(std::unique_lock<std::mutex>& lock);

    VideoOutput& output_;
    // Guarded by mutex_.
    PictureRows picture_{};
    int64_t frameNumber_ = 0;
    bool handedOver_ = false;  // a picture waits or is being written
    bool stopping_ = false;
    std::exception_ptr failure_;  // the first write that failed; no more are taken
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;  // last: started once the rest is set up
};

}  // namespace drav::tool
