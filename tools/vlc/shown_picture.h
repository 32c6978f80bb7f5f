// What a player's decoder writes into each picture it hands out. VLC's
// pictures come from the video output's pool, or new for every frame when
// transcoding, and say nothing of what they held before; but a decoder may
// keep the picture it handed out last and read it. So each new picture is the
// last one with only the rows changed since rendered again: the rest is
// copied, a third of a render's time for 16- and 24-bit output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/frame_codec.h"

namespace drav::vlc {

// A picture in a player's memory: rows top-down, pitch bytes apart.
struct PictureRows {
    uint8_t* top = nullptr;
    ptrdiff_t pitch = 0;
};

class ShownPicture {
public:
    ShownPicture(uint32_t width, uint32_t height, OutputFormat format);

    // A frame was applied to the decompressor's picture (or rejected after
    // writing perhaps) into the rows changed.
    void noteApplied(RowRange changed);

    // Writes the picture to show into next: previous (the last picture
    // written; top null when there is none) as it stands while the stream
    // holds its last good picture, else previous with the rows changed since
    // rendered again; the whole picture when there is no previous one.
    CodecStatus write(const FrameDecompressor& codec, PictureRows next, PictureRows previous, bool holding);

    uint32_t rowBytes() const { return rowBytes_; }

private:
    void copyRows(PictureRows next, PictureRows previous, uint32_t first, uint32_t end) const;
    CodecStatus renderRows(const FrameDecompressor& codec, PictureRows next, uint32_t first, uint32_t end) const;

    uint32_t width_, height_;
    OutputFormat format_;
    uint32_t rowBytes_;
    RowRange unshown_;  // the decompressor's rows (bottom-up) changed since the last picture written
};

}  // namespace drav::vlc
