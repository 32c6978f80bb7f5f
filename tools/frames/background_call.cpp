#include "background_call.h"

#include <utility>

namespace drav::tool {

BackgroundCall::BackgroundCall() : thread_([this] { run(); }) {}

BackgroundCall::~BackgroundCall() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundCall::start(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        call_ = std::move(call);
        busy_ = true;
    }
    changed_.notify_all();
}

void BackgroundCall::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void BackgroundCall::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) return;
        lock.unlock();
        call_();
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace drav::tool
