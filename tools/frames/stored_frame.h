// Compressed frames as containers and streams keep them.
#pragma once

#include <cstdint>

namespace drav::tool {

struct StoredFrame {
    int64_t number = 0;  // position in the stream, from 0
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    bool keyFrame = false;
    bool cutShort = false;  // the file ends inside this frame
    // False when the container cannot tell key frames (an AVI whose index is
    // lost): keyFrame then means nothing, and only the frame's bytes can tell.
    bool keyFlagKnown = true;
};

// A compressed frame's bytes where a stream keeps them, and whether it is a
// key frame.
struct FrameBytes {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    bool keyFrame = false;
};

}  // namespace drav::tool
