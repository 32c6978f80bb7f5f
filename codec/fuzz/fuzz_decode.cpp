// Arbitrary bytes as compressed frames against a picture size, stream depth,
// output format and size, and MMX choice taken from the input. The decoder must
// never touch memory outside the frame, the work picture, the palette or the
// output, whatever it is given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec/codec_stream.h"
#include "codec/decompressor.h"
#include "codec/frame_format.h"
#include "codec/renderer.h"
#include "fuzz_input.h"

using namespace drav;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const int32_t width = 1 + int32_t(input.upTo(63)), height = 1 + int32_t(input.upTo(63));
    const unsigned streamBits = input.flag() ? 8 : 16;
    const bool mmx = input.flag();
    static const unsigned bitCounts[] = {16, 24, 32, 8};
    const unsigned outputBits = bitCounts[input.upTo(3)];
    const DWORD compression = input.flag() ? BI_BITFIELDS : BI_RGB;
    // Output sizes: the same, the exact half, or anything up to twice the picture.
    int32_t outputWidth = width, outputHeight = height;
    switch (input.upTo(2)) {
        case 1: outputWidth = width / 2, outputHeight = height / 2; break;
        case 2: outputWidth = 1 + int32_t(input.upTo(127)), outputHeight = 1 + int32_t(input.upTo(127)); break;
        default: break;
    }
    const size_t split = input.upTo(255) * input.restSize() / 255;

    CodecInstance instance{};
    BITMAPINFOHEADER compressed = makeBitmapHeader(width, height, streamBits, FOURCC_DRAV);
    if (beginDecompressionStream(instance, compressed, mmx) != ICERR_OK) return 0;
    BITMAPINFOHEADER output = makeBitmapHeader(outputWidth, outputHeight, outputBits, compression);
    std::vector<uint8_t> pixels(outputRowBytes(uint32_t(outputWidth > 0 ? outputWidth : 1), outputBits) *
                                size_t(outputHeight > 0 ? outputHeight : 1));

    // Two frames: the second is applied to what the first left.
    const uint8_t* frames[2] = {input.rest(), input.rest() + split};
    const size_t sizes[2] = {split, input.restSize() - split};
    for (int i = 0; i < 2; ++i) {
        std::vector<uint8_t> frame(frames[i], frames[i] + sizes[i]);  // exact-size copy so overreads are caught
        compressed.biSizeImage = uint32_t(frame.size());
        ICDECOMPRESS request{};
        request.lpbiInput = &compressed;
        request.lpInput = frame.data();
        request.lpbiOutput = &output;
        request.lpOutput = pixels.data();
        decompressFrame(instance, request);
    }
    releaseStreamBuffers(instance);
    return 0;
}
