// One call at a time on a thread of its own, so that the caller can do other
// work meanwhile: start() hands a call over, wait() returns once it is done.
// The thread is started once and kept, so handing a call over allocates
// nothing.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace drav::tool {

class BackgroundCall {
public:
    // Throws std::system_error when the thread cannot start.
    BackgroundCall();
    // Waits for the call in progress, then ends the thread.
    ~BackgroundCall();
    BackgroundCall(const BackgroundCall&) = delete;
    BackgroundCall& operator=(const BackgroundCall&) = delete;

    // Runs `call` on the thread; the call before must have been waited for.
    // The call must not throw; a small one (a lambda holding a reference) is
    // stored without allocating.
    void start(std::function<void()> call);
    // Returns once the call started last is done.
    void wait();

private:
    void run();

    // Guarded by mutex_.
    std::function<void()> call_;
    bool busy_ = false;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;  // last: started once the rest is set up
};

}  // namespace drav::tool
