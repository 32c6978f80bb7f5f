#include "key_frame_probe.h"

#include <cstring>

#include "frame_inspector.h"

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
    if (!start() || !applyOver(blackKeyFrame_, data, size)) return Verdict::Unknown;
    const size_t pictureBytes = decoder_.workPictureSize(), paletteBytes = PALETTE_ENTRIES * sizeof(PaletteEntry);
    overBlack_.resize(pictureBytes + paletteBytes);
    std::memcpy(overBlack_.data(), decoder_.workPicture(), pictureBytes);
    std::memcpy(overBlack_.data() + pictureBytes, decoder_.palette(), paletteBytes);
    if (!applyOver(whiteKeyFrame_, data, size)) return Verdict::Unknown;
    const bool same = std::memcmp(overBlack_.data(), decoder_.workPicture(), pictureBytes) == 0 &&
                      std::memcmp(overBlack_.data() + pictureBytes, decoder_.palette(), paletteBytes) == 0;
    return same ? Verdict::Key : Verdict::Delta;
}

bool KeyFrameProbe::start() {
    if (!started_)
        started_ = decoder_.begin(stream_) == CodecStatus::Ok && uniformKeyFrame(stream_, false, blackKeyFrame_) &&
                   uniformKeyFrame(stream_, true, whiteKeyFrame_);
    return started_;
}

bool KeyFrameProbe::applyOver(const std::vector<uint8_t>& keyFrame, const uint8_t* data, uint32_t size) {
    return decoder_.apply(ByteSpan{keyFrame.data(), keyFrame.size()}) == CodecStatus::Ok &&
           decoder_.apply(ByteSpan{data, size}) == CodecStatus::Ok;
}

}  // namespace drav::tool
