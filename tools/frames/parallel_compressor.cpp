#include "parallel_compressor.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace drav::tool {

unsigned ParallelCompressor::jobsFor(unsigned requested) {
    if (requested) return std::min(requested, MAX_JOBS);
    return std::clamp(std::thread::hardware_concurrency(), 1u, MAX_JOBS);
}

ParallelCompressor::ParallelCompressor(const PictureFormat& format, unsigned jobs, PictureSlots& pictures)
    : jobs_(jobs), pictures_(pictures) {
    if (jobs < 1 || jobs > MAX_JOBS) throw std::invalid_argument("jobs out of range");
    try {
        for (unsigned i = 0; i < jobs; ++i) {
            codecs_.push_back(std::make_unique<FrameCompressor>());
            const CodecStatus status = codecs_.back()->begin(format, History::Given);
            if (status == CodecStatus::OutOfMemory) throw std::bad_alloc();
            if (status != CodecStatus::Ok) throw std::invalid_argument("the codec refused the picture format");
        }
        outputSize_ = codecs_.front()->maxFrameSize();
        slots_.resize(slotCountFor(jobs));
        // Not zeroed: the pages of the worst-case size that no frame reaches are never touched.
        for (Slot& slot : slots_) slot.output.reset(new uint8_t[outputSize_]);
        if (jobs > 1)
            for (unsigned i = 0; i < jobs; ++i) workers_.emplace_back(&ParallelCompressor::work, this, i);
    } catch (...) {
        stopWorkers();
        throw;
    }
}

ParallelCompressor::~ParallelCompressor() {
    stopWorkers();
    releaseHeld(submitted_);
}

bool ParallelCompressor::full() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return submitted_ - received_ >= jobs_;
}

bool ParallelCompressor::empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return submitted_ == received_;
}

size_t ParallelCompressor::nextSlot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return indexOf(submitted_);
}

// The slot of frame `submitted_` last held frame submitted_ - jobs - 1, whose
// picture and bytes are let go once the frame after it is received: hence at
// most `jobs` frames in flight.
void ParallelCompressor::submit(bool keyFrame) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (submitted_ - received_ >= jobs_) throw std::logic_error("a picture submitted to a full compressor");
        Slot& slot = slotOf(submitted_);
        slot.keyFrame = keyFrame;
        slot.prepared = slot.done = false;
        slot.picture = InputPicture{};
        slot.failure = nullptr;
        slot.status = CodecStatus::Ok;
        slot.coded = ::drav::CompressedFrame{};
        ++submitted_;
    }
    submittedOne_.notify_one();
}

bool ParallelCompressor::receive(FrameBytes& frame) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (received_ == submitted_) throw std::logic_error("no frame in flight to receive");
    const uint64_t number = received_++;
    Slot& slot = slotOf(number);
    if (workers_.empty())
        compressNext(0, lock);  // the frame, taken up here and now
    else
        progressed_.wait(lock, [&slot] { return slot.done; });
    lock.unlock();
    // The pictures before this frame's are read no more. The slot stays as
    // it is until the next receive() lets another frame into it.
    releaseHeld(number);
    if (slot.failure) std::rethrow_exception(slot.failure);
    frame = FrameBytes{slot.output.get(), slot.coded.size, slot.coded.keyFrame};
    return slot.status == CodecStatus::Ok;
}

void ParallelCompressor::work(unsigned worker) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        submittedOne_.wait(lock, [this] { return stopping_ || claimed_ < submitted_; });
        if (stopping_) return;
        compressNext(worker, lock);
    }
}

// Takes up the next frame: readies its picture, waits for the picture before
// it (another worker's, being readied or ready) and compresses the frame.
// Called and returns with the lock held; works without it.
void ParallelCompressor::compressNext(unsigned worker, std::unique_lock<std::mutex>& lock) {
    const uint64_t number = claimed_++;
    Slot& slot = slotOf(number);
    const bool keyFrame = slot.keyFrame || number == 0;
    lock.unlock();
    InputPicture picture{};
    std::exception_ptr failure;
    try {
        picture = pictures_.prepare(indexOf(number), worker);
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    slot.picture = picture;
    slot.failure = failure;
    slot.prepared = true;
    progressed_.notify_all();

    bool readable = !failure;
    InputPicture previous{};
    if (readable && !keyFrame) {
        // Frames are taken up in order, so the one before is being readied,
        // which waits for nothing.
        const Slot& before = slotOf(number - 1);
        progressed_.wait(lock, [&before] { return before.prepared; });
        previous = before.picture;
        readable = !before.failure;
    }
    ::drav::CompressedFrame coded{};
    CodecStatus status = CodecStatus::BadPicture;
    if (readable) {
        lock.unlock();
        status = codecs_[worker]->compressAfter(picture, previous, keyFrame,
                                                MutableByteSpan{slot.output.get(), outputSize_}, coded);
        lock.lock();
    }
    slot.status = status;
    slot.coded = coded;
    slot.done = true;
    progressed_.notify_all();
}

void ParallelCompressor::stopWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    submittedOne_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void ParallelCompressor::releaseHeld(uint64_t end) {
    uint64_t from;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        from = heldFrom_;
        if (end > heldFrom_) heldFrom_ = end;
    }
    for (uint64_t frame = from; frame < end; ++frame) pictures_.release(indexOf(frame));
}

}  // namespace drav::tool
