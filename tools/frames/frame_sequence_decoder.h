// Applies a stream's stored frames in order and keeps the output honest: after
// a corrupt frame (and before the first key frame) the output holds the last
// good picture until a key frame rebuilds the whole picture, since a delta
// frame applied to a damaged picture would show wrong pixels as right ones.
// Where the container cannot tell key frames, the frames' bytes tell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "codec/frame_codec.h"
#include "key_frame_probe.h"
#include "stored_frame.h"

namespace drav::tool {

// What the sequence applies frames to: the tool's decompression stream, or a
// player's decoder that renders into buffers of its own.
class FrameApplier {
public:
    // Applies one frame (and renders what it must); false when the codec
    // rejects the frame, the output then keeping what it held.
    virtual bool decompress(const uint8_t* data, uint32_t size) = 0;

protected:
    ~FrameApplier() = default;
};

class FrameSequenceDecoder {
public:
    enum class Outcome {
        Decoded,      // the output shows this frame
        Recovered,    // a key frame ended a stretch of held pictures
        Held,         // the output still shows the last good picture
        NotKeyFrame,  // the stream starts without a key frame: black is held
        Corrupt,      // the frame was rejected; the last good picture is held
    };

    FrameSequenceDecoder(FrameApplier& codec, const PictureFormat& stream) : codec_(codec), stream_(stream) {}

    // problem receives the reason for Corrupt.
    Outcome decode(const StoredFrame& frame, std::string& problem);

    // After a discontinuity in a started stream: the picture held does not
    // belong to the frames that follow, so only a key frame may show again.
    void holdUntilKeyFrame() {
        if (started_) waitingForKeyFrame_ = heldBefore_ = true;
    }

    // True while the output holds a picture older than the last frame.
    bool holding() const { return waitingForKeyFrame_; }

private:
    bool mayEndHold(const StoredFrame& frame);
    std::string corruptionText(const StoredFrame& frame) const;

    FrameApplier& codec_;
    PictureFormat stream_;
    bool waitingForKeyFrame_ = true;
    bool started_ = false;
    bool heldBefore_ = false;               // the output has shown a held picture
    std::unique_ptr<KeyFrameProbe> probe_;  // made for the first frame without a key flag
};

}  // namespace drav::tool
