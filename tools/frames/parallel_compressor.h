// Frames compressed side by side. A frame's bytes depend only on its picture,
// the picture before it and whether it is a key frame, so each of N workers,
// with a compressor of its own, compresses whichever frame comes next against
// the picture before it; the frames come back in order, byte for byte those of
// one compressor taking the pictures in order. With one job there is no
// thread: the caller's thread compresses each frame as it asks for it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "codec/frame_codec.h"
#include "stored_frame.h"

namespace drav::tool {

// The caller's pictures, in as many slots as the compressor has. The caller
// puts the next picture into the slot nextSlot() names before each submit()
// and keeps it there until the compressor releases the slot: a frame's
// picture is read until that frame and the next one are compressed.
class PictureSlots {
public:
    // On the thread compressing the slot's frame (worker `worker` of the
    // compressor's jobs, the caller's own with one job): readies the picture
    // and says where its rows lie. What it throws comes back from receive()
    // in that frame's place.
    virtual InputPicture prepare(size_t slot, unsigned worker) = 0;
    // On the caller's thread, in receive() or the compressor's
    // destructor: the slot's picture is read no more.
    virtual void release(size_t slot) = 0;

protected:
    ~PictureSlots() = default;
};

class ParallelCompressor {
public:
    static constexpr unsigned MAX_JOBS = 64;

    // The jobs to run for a request: as asked (at most MAX_JOBS), or with 0
    // one a core.
    static unsigned jobsFor(unsigned requested);

    // Slots a compressor of `jobs` needs: a picture for each frame in flight
    // and the one before them.
    static size_t slotCountFor(unsigned jobs) { return size_t(jobs) + 1; }

    // Begins `jobs` compressors (1 to MAX_JOBS) for pictures of the format
    // and starts their threads. Throws std::invalid_argument when the codec
    // refuses the format, std::bad_alloc when memory runs out and
    // std::system_error when a thread cannot start; nothing is left running
    // then. `pictures` must outlive the compressor.
    ParallelCompressor(const PictureFormat& format, unsigned jobs, PictureSlots& pictures);
    // Stops the workers once their frames are done, drops the frames in
    // flight and releases every picture still held.
    ~ParallelCompressor();
    ParallelCompressor(const ParallelCompressor&) = delete;
    ParallelCompressor& operator=(const ParallelCompressor&) = delete;

    // As many frames in flight as jobs: receive() one before submitting more.
    bool full() const;
    // No frame in flight.
    bool empty() const;
    // The slot the next picture goes into.
    size_t nextSlot() const;

    // Hands the picture in nextSlot() over for compression (not when full).
    // The first picture of a stream is compressed as a key frame whatever
    // keyFrame says: nothing came before it.
    void submit(bool keyFrame);

    // Waits for the oldest frame in flight (not when empty) and gives its
    // bytes, valid until the next receive(). False when the codec failed the
    // frame, or the picture before it could not be read; what preparing its
    // picture threw is thrown here. Either way the stream cannot go on.
    bool receive(FrameBytes& frame);

private:
    struct Slot {
        bool keyFrame = false;
        bool prepared = false;  // picture (or failure) known
        bool done = false;      // compressed, or given up
        InputPicture picture{};
        std::exception_ptr failure;  // what preparing the picture threw
        CodecStatus status = CodecStatus::Ok;
        ::drav::CompressedFrame coded{};
        std::unique_ptr<uint8_t[]> output;
    };

    Slot& slotOf(uint64_t frame) { return slots_[frame % slots_.size()]; }
    size_t indexOf(uint64_t frame) const { return size_t(frame % slots_.size()); }
    void work(unsigned worker);
    void compressNext(unsigned worker, std::unique_lock<std::mutex>& lock);
    void stopWorkers();
    void releaseHeld(uint64_t end);

    const unsigned jobs_;
    PictureSlots& pictures_;
    std::vector<std::unique_ptr<FrameCompressor>> codecs_;  // one a job
    std::vector<Slot> slots_;
    size_t outputSize_ = 0;

    // Frames are numbered from 0 in the order submitted. Guarded by mutex_.
    uint64_t submitted_ = 0;  // frames submitted
    uint64_t claimed_ = 0;    // frames a worker has taken up
    uint64_t received_ = 0;   // frames handed back
    uint64_t heldFrom_ = 0;   // the oldest picture not released
    bool stopping_ = false;
    mutable std::mutex mutex_;
    std::condition_variable submittedOne_;  // for idle workers
    std::condition_variable progressed_;    // a picture prepared or a frame done
    std::vector<std::thread> workers_;      // none with one job
};

}  // namespace drav::tool
