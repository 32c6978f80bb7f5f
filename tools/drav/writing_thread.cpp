#include "writing_thread.h"

namespace drav::tool {

void WritingThread::write(const PictureRows& picture, int64_t frameNumber) {
    finish();
    picture_ = picture;
    frameNumber_ = frameNumber;
    thread_.start([this] { writeHandedOver(); });
}

void WritingThread::finish() {
    thread_.wait();
    if (failure_) std::rethrow_exception(failure_);
}

void WritingThread::writeHandedOver() noexcept {
    try {
        output_.write(picture_, frameNumber_);
    } catch (...) {
        failure_ = std::current_exception();
    }
}

}  // namespace drav::tool
