// Arbitrary bytes as compressed frames against a picture size, stream depth,
// output format and size, and scaling forms taken from the input. The decoder must
// never touch memory outside the frame, the work picture, the palette or the
// output, whatever it is given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec/frame_codec.h"
#include "fuzz_input.h"

using namespace drav;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint32_t width = 1 + input.upTo(63), height = 1 + input.upTo(63);
    const unsigned streamBits = input.flag() ? 8 : 16;
    const bool smoothedHalf = input.flag();
    static const OutputFormat formats[] = {OutputFormat::Rgb555, OutputFormat::Bgr24, OutputFormat::Bgrx32,
                                           OutputFormat::Rgb565};
    const OutputFormat format = formats[input.upTo(3)];
    const bool topDown = input.flag();
    // Output sizes: the same, the exact half, or anything up to twice the picture.
    uint32_t outputWidth = width, outputHeight = height;
    switch (input.upTo(2)) {
        case 1: outputWidth = width / 2, outputHeight = height / 2; break;
        case 2: outputWidth = 1 + input.upTo(127), outputHeight = 1 + input.upTo(127); break;
        default: break;
    }
    const size_t split = input.upTo(255) * input.restSize() / 255;

    FrameDecompressor decompressor;
    if (decompressor.begin(PictureFormat{width, height, streamBits}) != CodecStatus::Ok) return 0;
    const uint32_t rowBytes = outputRowBytes(outputWidth > 0 ? outputWidth : 1, format);
    std::vector<uint8_t> pixels(size_t(rowBytes) * (outputHeight > 0 ? outputHeight : 1));
    OutputPicture output;
    output.width = outputWidth;
    output.height = outputHeight;
    output.format = format;
    output.forms = smoothedHalf ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    output.stride = topDown ? -ptrdiff_t(rowBytes) : ptrdiff_t(rowBytes);
    output.rows = pixels.data() + (topDown && outputHeight > 0 ? size_t(outputHeight - 1) * rowBytes : 0);

    // Two frames: the second is applied to what the first left; the second
    // renders only the rows it changed.
    const uint8_t* frames[2] = {input.rest(), input.rest() + split};
    const size_t sizes[2] = {split, input.restSize() - split};
    for (int i = 0; i < 2; ++i) {
        std::vector<uint8_t> frame(frames[i], frames[i] + sizes[i]);  // exact-size copy so overreads are caught
        RowRange changed;
        if (decompressor.apply(ByteSpan{frame.data(), frame.size()}, &changed) != CodecStatus::Ok) continue;
        if (changed.end > height) std::abort();
        if (i == 0) {
            decompressor.render(output);
        } else if (outputHeight == height) {
            decompressor.renderRows(output, changed.first, changed.end);
        }
    }
    return 0;
}
