#include "writing_thread.h"

namespace drav::tool {

WritingThread::WritingThread(VideoOutput& output) : output_(output), thread_(&WritingThread::run, this) {}

WritingThread::~WritingThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WritingThread::write(const PictureRows& picture, int64_t frameNumber) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        waitForWritten(lock);
        picture_ = picture;
        frameNumber_ = frameNumber;
        handedOver_ = true;
    }
    changed_.notify_all();
}

void WritingThread::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    waitForWritten(lock);
}

void WritingThread::waitForWritten(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !handedOver_; });
    if (failure_) std::rethrow_exception(failure_);
}

void WritingThread::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || handedOver_; });
        if (stopping_) return;
        lock.unlock();
        std::exception_ptr failure;
        try {
            output_.write(picture_, frameNumber_);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        handedOver_ = false;
        changed_.notify_all();
    }
}

}  // namespace drav::tool
