#include "raw_frame_writer.h"

#include <algorithm>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace drav::tool {

RawFrameWriter::RawFrameWriter(AVIOContext& output, int rowBytes, int height)
    : output_(output), rowBytes_(rowBytes), height_(height) {
    // Not AVIO_FLAG_DIRECT: for files that means O_DIRECT, which refuses unaligned writes.
    output_.direct = 1;
}

int RawFrameWriter::write(const PictureRows& rows) {
    const uint8_t* bytes = packedRows(rows);
    size_t size = size_t(rowBytes_) * size_t(height_);
    // Written straight through, a write may be no longer than the protocol's
    // packets (256 KiB for files); FFmpeg's buffer would have cut it the same way.
    size_t piece = output_.max_packet_size > 0 ? size_t(output_.max_packet_size) : size_t(1) << 30;
    for (size_t done = 0; done < size && output_.error >= 0; done += piece)
        avio_write(&output_, bytes + done, int(std::min(piece, size - done)));
    return output_.error;
}

const uint8_t* RawFrameWriter::packedRows(const PictureRows& rows) {
    if (rows.stride == rowBytes_) return rows.top;
    packed_.resize(size_t(rowBytes_) * size_t(height_));
    av_image_copy_plane(packed_.data(), rowBytes_, rows.top, rows.stride, rowBytes_, height_);
    return packed_.data();
}

}  // namespace drav::tool
