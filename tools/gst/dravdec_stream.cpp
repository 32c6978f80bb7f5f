#include "dravdec_stream.h"

#include <utility>

namespace drav::gst {

bool StreamDecoder::decompress(const uint8_t* data, uint32_t size) {
    RowRange changed;
    const bool applied = codec_.apply(ByteSpan{data, size}, &changed) == CodecStatus::Ok;
    changedSinceShown_ |= applied && !changed.empty();
    for (RenderedBuffer& kept : rendered_) {
        kept.updatable = kept.updatable && applied;
        if (changed.empty()) continue;
        kept.unshown = kept.unshown.empty()
                           ? changed
                           : RowRange{MIN(kept.unshown.first, changed.first), MAX(kept.unshown.end, changed.end)};
    }
    return applied;
}

void StreamDecoder::forgetShownPicture() {
    for (RenderedBuffer& kept : rendered_) {
        gst_buffer_replace(&kept.buffer, nullptr);
        kept = {};
    }
    changedSinceShown_ = true;
}

GstBuffer* StreamDecoder::updatablePicture() const {
    for (const RenderedBuffer& kept : rendered_)
        if (kept.buffer && kept.updatable && gst_buffer_is_writable(kept.buffer) &&
            gst_buffer_is_memory_range_writable(kept.buffer, 0, -1))
            return kept.buffer;
    return nullptr;
}

bool StreamDecoder::render(GstBuffer* output, GstVideoInfo* info, OutputFormat format) {
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, info, output, GST_MAP_WRITE)) return false;
    // The codec's row 0 is the picture's bottom row; GStreamer's is the top.
    const ptrdiff_t stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    OutputPicture picture;
    picture.rows = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                   ptrdiff_t(GST_VIDEO_FRAME_HEIGHT(&frame) - 1) * stride;
    picture.stride = -stride;
    picture.width = uint32_t(GST_VIDEO_FRAME_WIDTH(&frame));
    picture.height = uint32_t(GST_VIDEO_FRAME_HEIGHT(&frame));
    picture.format = format;
    RenderedBuffer* kept = output == rendered_[1].buffer ? &rendered_[1] : &rendered_[0];
    const bool rendered = (output == kept->buffer ? codec_.renderRows(picture, kept->unshown.first, kept->unshown.end)
                                                  : codec_.render(picture)) == CodecStatus::Ok;
    gst_video_frame_unmap(&frame);
    if (!rendered) return false;
    if (output == rendered_[1].buffer) {
        std::swap(rendered_[0], rendered_[1]);
    } else if (output != rendered_[0].buffer) {
        gst_buffer_replace(&rendered_[1].buffer, nullptr);
        rendered_[1] = rendered_[0];
        rendered_[0] = {gst_buffer_ref(output), {}, true};
    }
    rendered_[0].unshown = {};
    rendered_[0].updatable = true;
    changedSinceShown_ = false;
    return true;
}

}  // namespace drav::gst
