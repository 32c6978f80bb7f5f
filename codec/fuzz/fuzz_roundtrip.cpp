// Pictures chosen by the fuzzer, compressed as a stream of key and delta frames
// and decompressed again: every frame must come back exactly (32-bit input
// cut to 5 bits a channel), or the target aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/frame_codec.h"
#include "codec/testing/stream_buffers.h"
#include "fuzz_input.h"

using namespace drav;

namespace {

void expectedColor(const uint8_t* pixel, unsigned bitCount, const PaletteEntry* palette, uint8_t bgr[3]) {
    if (bitCount == 8) {
        bgr[0] = palette[pixel[0]].blue, bgr[1] = palette[pixel[0]].green, bgr[2] = palette[pixel[0]].red;
    } else if (bitCount == 16) {
        uint32_t v = uint32_t(pixel[0] | pixel[1] << 8);
        bgr[0] = uint8_t((v & 0x1F) << 3), bgr[1] = uint8_t(((v >> 5) & 0x1F) << 3),
        bgr[2] = uint8_t(((v >> 10) & 0x1F) << 3);
    } else {
        for (int c = 0; c < 3; ++c) bgr[c] = uint8_t(pixel[c] & 0xF8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    static const unsigned bitCounts[] = {8, 16, 32, 32};
    const unsigned bitCount = bitCounts[input.upTo(3)];
    const int32_t width = 1 + int32_t(input.upTo(47)), height = 1 + int32_t(input.upTo(47));
    const uint32_t frames = 1 + input.upTo(3);
    const uint8_t keyFrames = input.byte();
    if (input.restSize() == 0) return 0;

    PaletteEntry colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = PaletteEntry{uint8_t(i * 7), uint8_t(i * 13), uint8_t(i * 31), 0};
    const PictureFormat format{uint32_t(width), uint32_t(height), bitCount};
    const size_t stride = size_t(pictureRowBytes(format.width, bitCount));
    std::vector<uint8_t> pixels(stride * size_t(height));

    FrameCompressor compressor;
    FrameDecompressor decompressor;
    if (compressor.begin(format) != CodecStatus::Ok ||
        decompressor.begin(PictureFormat{format.width, format.height, compressedDepthFor(bitCount)}) != CodecStatus::Ok)
        std::abort();
    std::vector<uint8_t> output(compressor.maxFrameSize());

    // Each frame overwrites the picture with the next stretch of the payload,
    // so later frames are deltas of related pictures.
    size_t source = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        const size_t edit = 1 + input.rest()[source % input.restSize()] * pixels.size() / 256;
        for (size_t i = 0; i < edit; ++i, ++source)
            pixels[(source * 7) % pixels.size()] = input.rest()[source % input.restSize()];
        const bool keyFrame = n == 0 || (keyFrames >> n) & 1;
        CompressedFrame compressed;
        if (compressor.compress(ByteSpan{pixels.data(), pixels.size()}, colors, keyFrame,
                                MutableByteSpan{output.data(), output.size()}, compressed) != CodecStatus::Ok)
            std::abort();

        std::vector<uint8_t> frame(output.begin(), output.begin() + compressed.size);
        if (decompressor.apply(ByteSpan{frame.data(), frame.size()}) != CodecStatus::Ok) std::abort();

        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                uint8_t expected[3];
                expectedColor(pixels.data() + size_t(y) * stride + size_t(x) * bitCount / 8, bitCount, colors,
                              expected);
                const uint8_t* held = StreamBuffers::workPicture(decompressor) +
                                      size_t(y + 1) * StreamBuffers::workPictureStride(decompressor) + (x + 1) * 3;
                if (std::memcmp(expected, held, 3) != 0) std::abort();
            }
    }
    return 0;
}
