// The frame codec's streams for the tool: pictures and streams described by
// the bitmap headers of AVI files, errors as ToolError.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/frame_codec.h"
#include "win_records.h"
#include "dib_format.h"
#include "frame_sequence_decoder.h"
#include "large_block_memory.h"
#include "stored_frame.h"

namespace drav::tool {

// A bottom-up DIB picture as the compressor takes it: the header with the
// 256-entry colour table right behind it (read for 8-bit pictures only).
struct DibPicture {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    std::vector<uint8_t> pixels;
};

// The stream format the driver proposes for an input: DRAV, 8 bits for 8-bit
// input, else 16; biSizeImage the worst-case frame size.
BITMAPINFOHEADER compressedStreamFormat(const BITMAPINFOHEADER& input);

class CompressionStream {
public:
    // Throws ToolError when the codec cannot take the picture's size or depth.
    explicit CompressionStream(const BITMAPINFOHEADER& input);
    CompressionStream(const CompressionStream&) = delete;
    CompressionStream& operator=(const CompressionStream&) = delete;

    // The stream's format as the driver proposes it: DRAV, 8 or 16 bits, biSizeImage the
    // worst-case frame size.
    const BITMAPINFOHEADER& compressedFormat() const { return compressed_; }

    // False when the codec fails the frame. The result points into the stream's
    // buffer and stays valid until the next call.
    bool compress(const DibPicture& picture, bool keyFrame, FrameBytes& result);

private:
    FrameCompressor codec_;
    BITMAPINFOHEADER compressed_{};
    std::vector<uint8_t> output_;
};

// Renders only what a frame changes: nothing for a frame without rectangles
// (its palette colours only pixels decoded later), and at the stream's own
// size only the rows its rectangles cover. The output is the same as the
// decompressor's full render of every frame.
//
// Two output pictures take turns: a frame is rendered into the one not shown,
// so that the picture outputRows() gave stays as it is while the next frame
// is applied (and can be written out meanwhile). Each is brought up to date
// with the rows changed since it was last shown.
//
// Same-size output is kept top-down, so that a picture whose rows need no
// padding can be written out from where it lies; other sizes are the
// decompressor's bottom-up DIB.
class DecompressionStream final : public FrameApplier {
public:
    // Throws ToolError when the compressed format is not one the driver would
    // accept (depth 8, 16 or 24, FOURCC DRAV, a supported size) or the output
    // size is unsupported.
    DecompressionStream(const BITMAPINFOHEADER& compressed, DibFormat format, uint32_t outputWidth,
                        uint32_t outputHeight, bool mmxForms);
    DecompressionStream(const DecompressionStream&) = delete;
    DecompressionStream& operator=(const DecompressionStream&) = delete;

    // Applies one frame and renders the output picture. False when the codec
    // rejects the frame; the output picture then keeps what it held.
    bool decompress(const uint8_t* data, uint32_t size) override;

    // The output picture shown, rows of the DIB's stride; black until the
    // first good frame. It stays as it is through the next decompress().
    PictureRows outputRows() const;
    const BITMAPINFOHEADER& outputFormat() const { return outputHeader_; }

private:
    struct Output {
        LargeBlock pixels;
        OutputPicture picture;
        RowRange stale;  // rows behind the decompressor's picture (same size)
    };

    void prepareOutput(Output& output, DibFormat format, uint32_t width, uint32_t height, bool mmxForms);

    FrameDecompressor codec_;
    BITMAPINFOHEADER outputHeader_{};
    bool sameSize_;
    Output outputs_[2];
    unsigned shown_ = 0;
};

// The codec's picture format of a bitmap header: its width, height and depth.
PictureFormat pictureFormatOf(const BITMAPINFOHEADER& header);

// Throws ToolError unless the codec can carry a picture of the header's size:
// bottom-up, 1 to 65535 each way, every buffer below 4 GiB.
void requireSupportedPictureSize(const BITMAPINFOHEADER& header, const char* what = "picture");

// Throws ToolError unless a stream's begin succeeded: "not enough memory for
// the compression stream" or "the codec refused the ... stream".
void throwOnBeginFailure(CodecStatus status, const char* direction);

}  // namespace drav::tool
