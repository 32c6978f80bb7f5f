// Pictures chosen by the fuzzer, compressed as a stream of key and delta frames
// and decompressed again: every frame must come back exactly (32-bit input
// cut to 5 bits a channel), or the target aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/frame_format.h"
#include "fuzz_input.h"

using namespace drav;

namespace {

struct Picture {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

void expectedColor(const uint8_t* pixel, unsigned bitCount, const RGBQUAD* palette, uint8_t bgr[3]) {
    if (bitCount == 8) {
        bgr[0] = palette[pixel[0]].rgbBlue, bgr[1] = palette[pixel[0]].rgbGreen, bgr[2] = palette[pixel[0]].rgbRed;
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

    Picture picture{};
    picture.header = makeBitmapHeader(width, height, bitCount);
    for (int i = 0; i < 256; ++i) picture.colors[i] = RGBQUAD{uint8_t(i * 7), uint8_t(i * 13), uint8_t(i * 31), 0};
    const size_t stride = size_t(dibRowBytes(width, bitCount));
    std::vector<uint8_t> pixels(stride * size_t(height));

    CodecInstance instance{};
    BITMAPINFOHEADER compressed;
    describeCompressedStream(picture.header, compressed);
    if (beginCompressionStream(instance, picture.header, compressed, false) != ICERR_OK ||
        beginDecompressionStream(instance, compressed, false) != ICERR_OK)
        std::abort();
    std::vector<uint8_t> output(worstCaseFrameSize(compressed));

    // Each frame overwrites the picture with the next stretch of the payload,
    // so later frames are deltas of related pictures.
    size_t source = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        const size_t edit = 1 + input.rest()[source % input.restSize()] * pixels.size() / 256;
        for (size_t i = 0; i < edit; ++i, ++source)
            pixels[(source * 7) % pixels.size()] = input.rest()[source % input.restSize()];
        ICCOMPRESS compress{};
        compress.dwFlags = (n == 0 || (keyFrames >> n) & 1) ? ICCOMPRESS_KEYFRAME : 0;
        compress.lpbiInput = &picture.header;
        compress.lpInput = pixels.data();
        compress.lpbiOutput = &compressed;
        compress.lpOutput = output.data();
        if (compressFrame(instance, compress) != ICERR_OK) std::abort();

        std::vector<uint8_t> frame(output.begin(), output.begin() + compressed.biSizeImage);
        BITMAPINFOHEADER rendered = picture.header;
        rendered.biBitCount = 24;
        ICDECOMPRESS decompress{};
        decompress.dwFlags = ICDECOMPRESS_PREROLL;
        decompress.lpbiInput = &compressed;
        decompress.lpInput = frame.data();
        decompress.lpbiOutput = &rendered;
        if (decompressFrame(instance, decompress) != ICERR_OK) std::abort();

        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                uint8_t expected[3];
                expectedColor(pixels.data() + size_t(y) * stride + size_t(x) * bitCount / 8, bitCount, picture.colors,
                              expected);
                const uint8_t* held = instance.workPicture + size_t(y + 1) * instance.workPictureStride + (x + 1) * 3;
                if (std::memcmp(expected, held, 3) != 0) std::abort();
            }
    }
    releaseStreamBuffers(instance);
    return 0;
}
