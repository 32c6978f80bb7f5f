// Tells key frames from delta frames by their bytes alone, for streams whose
// container lost the flags (an AVI without its index). A key frame carries
// the whole picture, and in 8-bit streams the whole palette, and keeps no
// pixel of the picture before it. A delta frame may cover the whole picture
// too: only what it keeps of the picture before tells, so the frame is applied
// over two pictures that differ at every pixel, and a frame that gives the
// same picture over both rebuilds it on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/frame_codec.h"

namespace drav::tool {

class KeyFrameProbe {
public:
    explicit KeyFrameProbe(const PictureFormat& stream) : stream_(stream) {}
    KeyFrameProbe(const KeyFrameProbe&) = delete;
    KeyFrameProbe& operator=(const KeyFrameProbe&) = delete;

    enum class Verdict {
        Key,      // rebuilds the whole picture on its own: decoding can start here
        Delta,    // its bytes show that it patches the picture before it
        Unknown,  // damaged (or no memory to try it): its bytes prove nothing
    };
    Verdict classify(const uint8_t* data, uint32_t size);

private:
    bool start();
    bool applyOver(const std::vector<uint8_t>& keyFrame, const uint8_t* data, uint32_t size,
                   std::vector<uint8_t>& picture);

    PictureFormat stream_;
    FrameDecompressor decoder_;
    std::vector<uint8_t> blackKeyFrame_, whiteKeyFrame_;
    std::vector<uint8_t> overBlack_, overWhite_;  // the pictures after the frame over each
    bool started_ = false;
};

}  // namespace drav::tool
