// dravdec's stream: the decompressor with what the element needs around it,
// the order frames are applied in and the buffers it rendered last, which it
// writes again, only the rows that changed, once downstream let go of them.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include "codec/frame_codec.h"
#include "frame_sequence_decoder.h"

namespace drav::gst {

// A buffer the element rendered, and the rows it does not show yet.
struct RenderedBuffer {
    GstBuffer* buffer = nullptr;
    RowRange unshown;
    bool updatable = false;  // rendering the unshown rows brings it up to date
};

// Two rendered buffers are kept, since a sink keeps the last buffer it
// received until the next one comes.
class StreamDecoder final : public tool::FrameApplier {
public:
    explicit StreamDecoder(const PictureFormat& stream) : stream_(stream), sequence_(*this, stream) {}
    ~StreamDecoder() { forgetShownPicture(); }
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    CodecStatus begin() { return codec_.begin(stream_); }
    const PictureFormat& stream() const { return stream_; }
    tool::FrameSequenceDecoder& sequence() { return sequence_; }

    // A rejected frame may have stored some pixels: the rendered buffers are
    // then only good as a whole, for the held picture, until a full render.
    bool decompress(const uint8_t* data, uint32_t size) override;

    // The buffer showing the held picture when it has not changed since it
    // was rendered, else null.
    GstBuffer* unchangedPicture() const { return changedSinceShown_ ? nullptr : rendered_[0].buffer; }

    // After the output format changed: the next frame renders anew.
    void forgetShownPicture();

    // A rendered buffer only the element holds (downstream let go of every
    // copy), newest first; null when there is none.
    GstBuffer* updatablePicture() const;

    // Renders the held picture into output: into a rendered buffer only the
    // rows it does not show, into a new one the whole picture. output then
    // shows it. False when output cannot be mapped or rendered into.
    bool render(GstBuffer* output, GstVideoInfo* info, OutputFormat format);

private:
    PictureFormat stream_;
    FrameDecompressor codec_;
    tool::FrameSequenceDecoder sequence_;
    RenderedBuffer rendered_[2];  // newest first
    bool changedSinceShown_ = true;
};

}  // namespace drav::gst
