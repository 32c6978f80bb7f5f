// ShownPicture against the decompressor's whole render: over generated
// streams (sizes, depths, output formats, edits, rejected frames, holds,
// frames without a picture, pictures of any pitch filled with garbage), every
// picture written is the
// whole render of the decompressor's picture, or while holding the picture
// written before.
#include "shown_picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace drav::vlc {
namespace {

struct Buffer {
    std::vector<uint8_t> bytes;
    ptrdiff_t pitch = 0;
    PictureRows rows() { return {bytes.data(), pitch}; }
};

// The decompressor's picture rendered whole, packed top-down.
std::vector<uint8_t> wholeRender(const FrameDecompressor& codec, uint32_t width, uint32_t height, OutputFormat format,
                                 uint32_t rowBytes) {
    std::vector<uint8_t> rows(size_t(rowBytes) * height);
    OutputPicture output;
    output.rows = rows.data() + ptrdiff_t(height - 1) * rowBytes;
    output.stride = -ptrdiff_t(rowBytes);
    output.width = width;
    output.height = height;
    output.format = format;
    EXPECT_EQ(codec.render(output), CodecStatus::Ok);
    return rows;
}

bool sameRows(const Buffer& buffer, const uint8_t* packed, ptrdiff_t packedPitch, uint32_t rowBytes, uint32_t height) {
    for (uint32_t row = 0; row < height; ++row)
        if (std::memcmp(buffer.bytes.data() + row * buffer.pitch, packed + row * packedPitch, rowBytes)) return false;
    return true;
}

TEST(ShownPicture, EveryPictureIsTheWholeRenderOrTheHeldOne) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const uint32_t width = 1 + random() % 90, height = 1 + random() % 60;
        const unsigned depth = random() % 2 ? 16 : 8;
        const auto format = OutputFormat(1 + random() % 4);
        const bool followHolds = random() % 3 != 0;  // else rejected frames are followed by deltas
        FrameCompressor compressor;
        FrameDecompressor codec;
        ASSERT_EQ(compressor.begin({width, height, depth}), CodecStatus::Ok);
        ASSERT_EQ(codec.begin({width, height, depth}), CodecStatus::Ok);
        ShownPicture shown(width, height, format);

        std::vector<uint8_t> picture(pictureRowBytes(width, depth) * height);
        std::vector<PaletteEntry> palette(PALETTE_ENTRIES);
        for (auto& byte : picture) byte = uint8_t(random());
        for (auto& entry : palette) entry = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
        std::vector<uint8_t> frame(compressor.maxFrameSize());
        Buffer buffers[3];
        Buffer* previous = nullptr;
        bool holding = false;
        for (int n = 0; n < 40; ++n) {
            // A random rectangle of the input changes (or nothing does).
            const uint32_t x = random() % width, y = random() % height;
            const uint32_t w = 1 + random() % (width - x), h = 1 + random() % (height - y);
            if (random() % 4)
                for (uint32_t row = y; row < y + h; ++row)
                    for (uint32_t byte = x * depth / 8; byte < (x + w) * depth / 8; ++byte)
                        picture[row * pictureRowBytes(width, depth) + byte] = uint8_t(random());
            if (depth == 8 && random() % 5 == 0) palette[random() % PALETTE_ENTRIES].red ^= 0x40;
            const bool key = n % 9 == 0;
            CompressedFrame compressed;
            ASSERT_EQ(compressor.compress({picture.data(), picture.size()}, palette.data(), key,
                                          {frame.data(), frame.size()}, compressed),
                      CodecStatus::Ok);
            if (random() % 6 == 0) frame[random() % compressed.size] ^= uint8_t(1 + random() % 255);

            if (!holding || key || !followHolds) {  // a held stream applies key frames only
                RowRange changed;
                const bool applied = codec.apply({frame.data(), compressed.size}, &changed) == CodecStatus::Ok;
                shown.noteApplied(changed);
                holding = followHolds && !applied;
            }
            if (random() % 5 == 0) continue;  // no picture handed out for this frame

            Buffer& next = buffers[(previous ? previous - buffers + 1 : 0) % 3];
            next.pitch = shown.rowBytes() + random() % 9;
            next.bytes.resize(size_t(next.pitch) * height);
            for (auto& byte : next.bytes) byte = uint8_t(random());
            ASSERT_EQ(shown.write(codec, next.rows(), previous ? previous->rows() : PictureRows{}, holding),
                      CodecStatus::Ok);
            if (holding && previous) {
                ASSERT_TRUE(sameRows(next, previous->bytes.data(), previous->pitch, shown.rowBytes(), height))
                    << "frame " << n << ": the held picture";
            } else {
                const auto whole = wholeRender(codec, width, height, format, shown.rowBytes());
                ASSERT_TRUE(sameRows(next, whole.data(), shown.rowBytes(), shown.rowBytes(), height))
                    << "frame " << n << ": the decompressor's picture";
            }
            previous = &next;
        }
    }
}

}  // namespace
}  // namespace drav::vlc
