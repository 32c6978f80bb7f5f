#include "shown_picture.h"

#include <algorithm>
#include <cstring>

namespace drav::vlc {

ShownPicture::ShownPicture(uint32_t width, uint32_t height, OutputFormat format)
    : width_(width), height_(height), format_(format), rowBytes_(width * (outputBitCount(format) / 8)) {}

void ShownPicture::noteApplied(RowRange changed) {
    if (changed.empty()) return;
    unshown_ = unshown_.empty()
                   ? changed
                   : RowRange{std::min(unshown_.first, changed.first), std::max(unshown_.end, changed.end)};
}

CodecStatus ShownPicture::write(const FrameDecompressor& codec, PictureRows next, PictureRows previous, bool holding) {
    if (previous.top && holding) {
        copyRows(next, previous, 0, height_);
        return CodecStatus::Ok;
    }
    RowRange changed{0, height_};
    if (previous.top) {
        changed = {std::min(unshown_.first, height_), std::min(unshown_.end, height_)};
        copyRows(next, previous, 0, changed.first);
        copyRows(next, previous, changed.end, height_);
    }
    const CodecStatus status = renderRows(codec, next, changed.first, changed.end);
    if (status == CodecStatus::Ok) unshown_ = {};
    return status;
}

// Decompressor rows first to end - 1 are picture rows height - end to
// height - first - 1, counted from the top.
void ShownPicture::copyRows(PictureRows next, PictureRows previous, uint32_t first, uint32_t end) const {
    for (uint32_t row = height_ - end; row < height_ - first; ++row)
        std::memcpy(next.top + ptrdiff_t(row) * next.pitch, previous.top + ptrdiff_t(row) * previous.pitch, rowBytes_);
}

CodecStatus ShownPicture::renderRows(const FrameDecompressor& codec, PictureRows next, uint32_t first,
                                     uint32_t end) const {
    OutputPicture output;
    output.rows = next.top + ptrdiff_t(height_ - 1) * next.pitch;  // the decompressor's row 0 is the bottom row
    output.stride = -next.pitch;
    output.width = width_;
    output.height = height_;
    output.format = format_;
    return codec.renderRows(output, first, end);
}

}  // namespace drav::vlc
