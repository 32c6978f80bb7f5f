#include "frame_sequence_decoder.h"

#include "frame_description.h"

namespace drav::tool {

FrameSequenceDecoder::Outcome FrameSequenceDecoder::decode(const StoredFrame& frame, std::string& problem) {
    bool wasWaiting = waitingForKeyFrame_;
    if (waitingForKeyFrame_ && !mayEndHold(frame)) {
        Outcome outcome = started_ ? Outcome::Held : Outcome::NotKeyFrame;
        started_ = heldBefore_ = true;
        return outcome;
    }
    started_ = true;
    if (frame.cutShort || !codec_.decompress(frame.data, frame.size)) {
        waitingForKeyFrame_ = heldBefore_ = true;
        problem = corruptionText(frame);
        return Outcome::Corrupt;
    }
    waitingForKeyFrame_ = false;
    return wasWaiting && heldBefore_ ? Outcome::Recovered : Outcome::Decoded;
}

// A key frame that rebuilds the whole picture ends the hold; a damaged key
// frame is tried too, so that its damage is reported. Without a key flag, a
// frame ends it unless its bytes show that it patches the picture before it.
bool FrameSequenceDecoder::mayEndHold(const StoredFrame& frame) {
    if (frame.cutShort) return frame.keyFrame || !frame.keyFlagKnown;
    if (!frame.keyFlagKnown) {
        if (!probe_) probe_ = std::make_unique<KeyFrameProbe>(stream_);
        return probe_->classify(frame.data, frame.size) != KeyFrameProbe::Verdict::Delta;
    }
    if (!frame.keyFrame) return false;
    FrameInspection inspection = inspectFrame(frame.data, frame.size, stream_.width, stream_.height);
    return !inspection.intact || coversWholePicture(inspection, stream_.width, stream_.height, stream_.depth);
}

std::string FrameSequenceDecoder::corruptionText(const StoredFrame& frame) const {
    if (frame.cutShort) return "truncated file: the file ends inside this frame";
    FrameInspection inspection = inspectFrame(frame.data, frame.size, stream_.width, stream_.height);
    if (!inspection.intact) return "corrupt frame: " + inspection.problem;
    return "corrupt frame: its coded pixels do not decode";
}

}  // namespace drav::tool
