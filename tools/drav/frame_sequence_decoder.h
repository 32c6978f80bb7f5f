// Applies a stream's stored frames in order and keeps the output honest: after
// a corrupt frame (and before the first key frame) the output holds the last
// good picture until a key frame rebuilds the whole picture, since a delta
// frame applied to a damaged picture would show wrong pixels as right ones.
#pragma once

#include <string>

#include "avi_reader.h"
#include "codec_streams.h"

namespace drav::tool {

class FrameSequenceDecoder {
public:
    enum class Outcome {
        Decoded,      // the output shows this frame
        Recovered,    // a key frame ended a stretch of held pictures
        Held,         // the output still shows the last good picture
        NotKeyFrame,  // the stream starts without a key frame: black is held
        Corrupt,      // the frame was rejected; the last good picture is held
    };

    FrameSequenceDecoder(DecompressionStream& codec, const BITMAPINFOHEADER& format) : codec_(codec), format_(format) {}

    // problem receives the reason for Corrupt.
    Outcome decode(const StoredFrame& frame, std::string& problem);

    // True while the output holds a picture older than the last frame.
    bool holding() const { return waitingForKeyFrame_; }

private:
    bool mayEndHold(const StoredFrame& frame) const;
    std::string corruptionText(const StoredFrame& frame) const;

    DecompressionStream& codec_;
    BITMAPINFOHEADER format_;
    bool waitingForKeyFrame_ = true;
    bool started_ = false;
    bool heldBefore_ = false;  // the output has shown a held picture
};

}  // namespace drav::tool
