#include "key_frame_probe.h"

#include <cstring>

#include "frame_description.h"

namespace drav::tool {
namespace {

// A key frame of a picture of one colour: black, or white (every channel's
// bits set) in every pixel and palette entry.
bool uniformKeyFrame(const PictureFormat& stream, bool white, std::vector<uint8_t>& frame) {
    const PictureFormat input{stream.width, stream.height, stream.depth == 8 ? 8u : 16u};
    FrameCompressor compressor;
    if (compressor.begin(input) != CodecStatus::Ok) return false;
    const uint8_t fill = white && input.depth != 8 ? 0xFF : 0;
    std::vector<uint8_t> picture(size_t(pictureRowBytes(input.width, input.depth) * input.height), fill);
    PaletteEntry palette[PALETTE_ENTRIES];
    std::memset(palette, white ? 0xFF : 0, sizeof palette);
    frame.resize(compressor.maxFrameSize());
    CompressedFrame compressed;
    if (compressor.compress(ByteSpan{picture.data(), picture.size()}, palette, true,
                            MutableByteSpan{frame.data(), frame.size()}, compressed) != CodecStatus::Ok)
        return false;
    frame.resize(compressed.size);
    return true;
}

}  // namespace

KeyFrameProbe::Verdict KeyFrameProbe::classify(const uint8_t* data, uint32_t size) {
    const FrameInspection inspection = inspectFrame(data, size, stream_.width, stream_.height);
    if (!inspection.intact) return Verdict::Unknown;
    if (!coversWholePicture(inspection, stream_.width, stream_.height, stream_.depth)) return Verdict::Delta;
    if (!start() || !applyOver(blackKeyFrame_, data, size, overBlack_)) return Verdict::Unknown;
    if (!applyOver(whiteKeyFrame_, data, size, overWhite_)) return Verdict::Unknown;
    return overBlack_ == overWhite_ ? Verdict::Key : Verdict::Delta;
}

bool KeyFrameProbe::start() {
    if (!started_)
        started_ = decoder_.begin(stream_) == CodecStatus::Ok && uniformKeyFrame(stream_, false, blackKeyFrame_) &&
                   uniformKeyFrame(stream_, true, whiteKeyFrame_);
    return started_;
}

// The picture after the frame over the key frame, rendered at its size in
// 24-bit colour: every colour of every stream depth, pixel for pixel. (A frame
// that covers an 8-bit picture carries the whole palette, so the palettes
// after it are equal.)
bool KeyFrameProbe::applyOver(const std::vector<uint8_t>& keyFrame, const uint8_t* data, uint32_t size,
                              std::vector<uint8_t>& picture) {
    const uint32_t rowBytes = outputRowBytes(stream_.width, OutputFormat::Bgr24);
    picture.resize(size_t(rowBytes) * stream_.height);
    const OutputPicture output{picture.data(), ptrdiff_t(rowBytes), stream_.width, stream_.height, OutputFormat::Bgr24};
    return decoder_.apply(ByteSpan{keyFrame.data(), keyFrame.size()}) == CodecStatus::Ok &&
           decoder_.apply(ByteSpan{data, size}) == CodecStatus::Ok && decoder_.render(output) == CodecStatus::Ok;
}

}  // namespace drav::tool
