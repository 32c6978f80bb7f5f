// Streams through msvfw32: BEGIN and END, frames in and out, corrupt frames,
// and the buffers an instance gives back.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>

#include "SettingsGuard.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

// The End chunk alone: crc 0x85C3, type 0, reserved 0, length 8.
const uint8_t UNCHANGED_DELTA_FRAME[] = {0xC3, 0x85, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

LRESULT decompressInto(HIC hic, BITMAPINFOHEADER& compressed, const std::vector<uint8_t>& frame,
                       BITMAPINFOHEADER& output, PoisonedBuffer& picture) {
    compressed.biSizeImage = DWORD(frame.size());
    return LONG(ICDecompress(hic, 0, &compressed, const_cast<uint8_t*>(frame.data()), &output, picture.data()));
}

TEST(CompressionStream, RefusesFormatsItCannotCode) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(640, 480, 32);
    BitmapFormat output = makeCompressedFormat(640, 480, 16);
    BitmapFormat trueColour24 = makeFormat(640, 480, 24);
    EXPECT_EQ(ICCompressBegin(codec.get(), trueColour24.get(), output.get()), ICERR_BADFORMAT);
    EXPECT_EQ(codec.send(ICM_COMPRESS_BEGIN, DWORD_PTR(input.get()), 0), ICERR_BADFORMAT);
    EXPECT_EQ(codec.send(ICM_COMPRESS_BEGIN, 0, DWORD_PTR(output.get())), ICERR_BADFORMAT);
    BitmapFormat topDownIn = makeFormat(640, -480, 32), topDownOut = makeCompressedFormat(640, -480, 16);
    EXPECT_EQ(ICCompressBegin(codec.get(), topDownIn.get(), topDownOut.get()), ICERR_BADFORMAT);
    BitmapFormat hugeIn = makeFormat(65535, 65535, 32), hugeOut = makeCompressedFormat(65535, 65535, 16);
    EXPECT_EQ(ICCompressBegin(codec.get(), hugeIn.get(), hugeOut.get()), ICERR_BADFORMAT);
}

TEST(CompressionStream, FramesNeedARunningStream) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 16);
    BitmapFormat output = makeCompressedFormat(64, 48, 16);
    std::vector<uint8_t> picture = patternPicture(input.header, 1);
    EXPECT_EQ(compressOne(codec.get(), input.header, picture, output.header, true, 0).status, ICERR_ERROR);
    ASSERT_EQ(ICCompressBegin(codec.get(), input.get(), output.get()), ICERR_OK);
    EXPECT_EQ(compressOne(codec.get(), input.header, picture, output.header, true, 0).status, ICERR_OK);
    ICCompressEnd(codec.get());
    EXPECT_EQ(compressOne(codec.get(), input.header, picture, output.header, true, 1).status, ICERR_ERROR);
    EXPECT_EQ(codec.send(ICM_COMPRESS, 0, 0), ICERR_ERROR);
}

TEST(CompressionStream, AFrameOfAnotherSizeThanTheStreamIsRefused) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 16);
    BitmapFormat output = makeCompressedFormat(64, 48, 16);
    ASSERT_EQ(ICCompressBegin(codec.get(), input.get(), output.get()), ICERR_OK);
    BitmapFormat larger = makeFormat(64, 96, 16);
    std::vector<uint8_t> picture = patternPicture(larger.header, 1);
    EXPECT_EQ(compressOne(codec.get(), larger.header, picture, output.header, true, 0).status, ICERR_ERROR);
}

TEST(CompressionStream, AnUnchangedDeltaFrameIsTheEndChunkAlone) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 16);
    BitmapFormat output = makeCompressedFormat(64, 48, 16);
    std::vector<uint8_t> picture = patternPicture(input.header, 3);
    ASSERT_EQ(ICCompressBegin(codec.get(), input.get(), output.get()), ICERR_OK);
    CompressedFrame key = compressOne(codec.get(), input.header, picture, output.header, true, 0);
    ASSERT_EQ(key.status, ICERR_OK);
    EXPECT_EQ(key.aviFlags & AVIIF_KEYFRAME, DWORD(AVIIF_KEYFRAME));

    PoisonedBuffer buffer(ICCompressGetSize(codec.get(), input.get(), output.get()));
    DWORD chunkId = 0, aviFlags = 0;
    ASSERT_EQ(ICCompress(codec.get(), 0, output.get(), buffer.data(), input.get(), picture.data(), &chunkId, &aviFlags,
                         1, 0, 0, nullptr, nullptr),
              DWORD(ICERR_OK));
    ASSERT_EQ(output.header.biSizeImage, sizeof(UNCHANGED_DELTA_FRAME));
    EXPECT_EQ(std::memcmp(buffer.data(), UNCHANGED_DELTA_FRAME, sizeof(UNCHANGED_DELTA_FRAME)), 0);
    EXPECT_EQ(buffer.data()[sizeof(UNCHANGED_DELTA_FRAME)], POISON);
    EXPECT_EQ(aviFlags & AVIIF_KEYFRAME, 0u);
}

using DecompressionStreamSettings = SettingsTest;

TEST_F(DecompressionStreamSettings, HalfSizeOutputNeedsResizing) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(640, 480, 16);
    BitmapFormat half = makeFormat(320, 240, 32);
    storeSettingText("ResizingDisabled", "1");
    EXPECT_EQ(ICDecompressBegin(codec.get(), input.get(), half.get()), ICERR_BADFORMAT);
    storeSettingText("ResizingDisabled", "0");
    EXPECT_EQ(ICDecompressBegin(codec.get(), input.get(), half.get()), ICERR_OK);
}

TEST(DecompressionStream, FramesNeedARunningStream) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat compressed = makeCompressedFormat(64, 48, 16);
    BitmapFormat output = makeFormat(64, 48, 32);
    std::vector<uint8_t> frame(UNCHANGED_DELTA_FRAME, UNCHANGED_DELTA_FRAME + sizeof(UNCHANGED_DELTA_FRAME));
    PoisonedBuffer picture(dibPictureBytes(output.header));
    EXPECT_EQ(decompressInto(codec.get(), compressed.header, frame, output.header, picture), ICERR_ERROR);
    ASSERT_EQ(ICDecompressBegin(codec.get(), compressed.get(), output.get()), ICERR_OK);
    EXPECT_EQ(decompressInto(codec.get(), compressed.header, frame, output.header, picture), ICERR_OK);
    ICDecompressEnd(codec.get());
    EXPECT_EQ(decompressInto(codec.get(), compressed.header, frame, output.header, picture), ICERR_ERROR);
    EXPECT_EQ(codec.send(ICM_DECOMPRESS, 0, 0), ICERR_ERROR);
    EXPECT_TRUE(picture.guardIntact());
}

TEST(FrameRecords, NullPointersInARunningStreamAreRefused) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 16), compressed = makeCompressedFormat(64, 48, 16);
    BitmapFormat output = makeFormat(64, 48, 16);
    ASSERT_EQ(ICCompressBegin(codec.get(), input.get(), compressed.get()), ICERR_OK);
    ASSERT_EQ(ICDecompressBegin(codec.get(), compressed.get(), output.get()), ICERR_OK);
    ICCOMPRESS compress{};
    EXPECT_EQ(codec.send(ICM_COMPRESS, DWORD_PTR(&compress), sizeof(compress)), ICERR_ERROR);
    ICDECOMPRESS decompress{};
    EXPECT_EQ(codec.send(ICM_DECOMPRESS, DWORD_PTR(&decompress), sizeof(decompress)), ICERR_ERROR);
}

// Compresses a key frame, a changed delta frame and an unchanged delta frame,
// then decodes them one by one through a second instance.
class RoundTrip : public ::testing::Test {
protected:
    static constexpr LONG WIDTH = 61, HEIGHT = 37;  // odd sizes: row padding and borders

    void compressSequence(WORD depth, DWORD colours = 256) {
        input_ = makeFormat(WIDTH, HEIGHT, depth);
        input_.header.biClrUsed = depth == 8 ? colours : 0;
        OpenCodec compressor(ICMODE_COMPRESS);
        ASSERT_EQ(ICCompressGetFormat(compressor.get(), input_.get(), compressed_.get()), ICERR_OK);
        ASSERT_EQ(ICCompressBegin(compressor.get(), input_.get(), compressed_.get()), ICERR_OK);
        pictures_.assign(3, patternPicture(input_.header, 1));
        for (size_t i = 100; i < 300; ++i) pictures_[1][i] ^= 0x15;
        pictures_[2] = pictures_[1];
        for (size_t i = 0; i < pictures_.size(); ++i) {
            CompressedFrame frame =
                compressOne(compressor.get(), input_.header, pictures_[i], compressed_.header, i == 0, LONG(i));
            ASSERT_EQ(frame.status, ICERR_OK) << "frame " << i;
            frames_.push_back(frame.bytes);
        }
        ICCompressEnd(compressor.get());
    }

    // Decodes every frame into `depth` bits and hands row y of frame i to check.
    template <typename CheckRow>
    void decodeAll(WORD depth, CheckRow checkRow) {
        OpenCodec decompressor(ICMODE_DECOMPRESS);
        BitmapFormat output = makeFormat(WIDTH, HEIGHT, depth);
        ASSERT_EQ(ICDecompressBegin(decompressor.get(), compressed_.get(), output.get()), ICERR_OK);
        const size_t row = dibPictureBytes(output.header) / HEIGHT;
        for (size_t i = 0; i < frames_.size(); ++i) {
            PoisonedBuffer picture(dibPictureBytes(output.header));
            ASSERT_EQ(decompressInto(decompressor.get(), compressed_.header, frames_[i], output.header, picture),
                      ICERR_OK);
            EXPECT_TRUE(picture.guardIntact());
            for (LONG y = 0; y < HEIGHT; ++y) {
                SCOPED_TRACE(testing::Message() << "frame " << i << " row " << y);
                ASSERT_NO_FATAL_FAILURE(checkRow(i, y, picture.data() + y * row));
            }
        }
    }

    // Paletted frames decoded to 32 bits: each pixel in its colour from the
    // input's table, black past the entries the table declares.
    void expectTableColours() {
        const DWORD declared = input_.header.biClrUsed ? input_.header.biClrUsed : 256;
        decodeAll(32, [&](size_t i, LONG y, const uint8_t* row) {
            const uint8_t* indices = inputRow(i, y);
            for (LONG x = 0; x < WIDTH; ++x) {
                const RGBQUAD colour = indices[x] < declared ? input_.colors[indices[x]] : RGBQUAD{};
                const uint8_t* got = row + x * 4;
                ASSERT_TRUE(got[0] == colour.rgbBlue && got[1] == colour.rgbGreen && got[2] == colour.rgbRed)
                    << "pixel " << x << ", index " << int(indices[x]);
            }
        });
    }

    const uint8_t* inputRow(size_t frame, LONG y) const {
        return pictures_[frame].data() + y * (dibPictureBytes(input_.header) / HEIGHT);
    }

    BitmapFormat input_, compressed_;
    std::vector<std::vector<uint8_t>> pictures_, frames_;
};

// A frame that cannot be shown (no width, top-down, hurried) still advances
// the picture, so that the delta frames after it decode right; the stream
// itself began without an output format.
TEST_F(RoundTrip, FramesThatAreNotShownStillAdvanceThePicture) {
    compressSequence(16);
    OpenCodec decompressor(ICMODE_DECOMPRESS);
    ASSERT_EQ(decompressor.send(ICM_DECOMPRESS_BEGIN, DWORD_PTR(compressed_.get()), 0), ICERR_OK);
    BitmapFormat output = makeFormat(WIDTH, HEIGHT, 16);
    BitmapFormat noWidth = makeFormat(0, HEIGHT, 16), topDown = makeFormat(WIDTH, -HEIGHT, 16);
    PoisonedBuffer picture(dibPictureBytes(output.header));
    const std::vector<uint8_t> untouched(picture.data(), picture.data() + picture.size());
    EXPECT_EQ(decompressInto(decompressor.get(), compressed_.header, frames_[0], noWidth.header, picture), ICERR_ERROR);
    EXPECT_EQ(decompressInto(decompressor.get(), compressed_.header, frames_[1], topDown.header, picture), ICERR_ERROR);
    compressed_.header.biSizeImage = DWORD(frames_[2].size());
    EXPECT_EQ(LRESULT(ICDecompress(decompressor.get(), ICDECOMPRESS_HURRYUP, compressed_.get(), frames_[2].data(),
                                   output.get(), picture.data())),
              ICERR_OK);
    EXPECT_EQ(untouched, std::vector<uint8_t>(picture.data(), picture.data() + picture.size()));
    ASSERT_EQ(decompressInto(decompressor.get(), compressed_.header, frames_[2], output.header, picture), ICERR_OK);
    const size_t row = dibPictureBytes(output.header) / HEIGHT;  // padding is not written
    for (LONG y = 0; y < HEIGHT; ++y)
        EXPECT_EQ(0, std::memcmp(picture.data() + y * row, inputRow(2, y), WIDTH * 2)) << "row " << y;
    EXPECT_TRUE(picture.guardIntact());
}

TEST_F(RoundTrip, HighColourComesBackBitForBit) {
    ASSERT_NO_FATAL_FAILURE(compressSequence(16));
    decodeAll(16,
              [&](size_t i, LONG y, const uint8_t* row) { ASSERT_EQ(std::memcmp(row, inputRow(i, y), WIDTH * 2), 0); });
}

TEST_F(RoundTrip, TrueColourKeepsFiveBitsPerChannel) {
    ASSERT_NO_FATAL_FAILURE(compressSequence(32));
    decodeAll(32, [&](size_t i, LONG y, const uint8_t* row) {
        const uint8_t* want = inputRow(i, y);
        for (size_t b = 0; b < WIDTH * 4; ++b) {
            if (b % 4 == 3) continue;  // unused fourth byte
            ASSERT_EQ(row[b] >> 3, want[b] >> 3) << "byte " << b;
        }
    });
}

TEST_F(RoundTrip, PalettedFramesComeBackInTheirColours) {
    ASSERT_NO_FATAL_FAILURE(compressSequence(8));
    expectTableColours();
}

// A table of fewer than 256 colours (here followed by more colours in the
// host's memory): only its own entries are read, the rest are black.
TEST_F(RoundTrip, ColoursPastAShortTableAreBlack) {
    for (DWORD colours : {1u, 16u, 255u}) {
        SCOPED_TRACE(testing::Message() << colours << " colours");
        frames_.clear();
        ASSERT_NO_FATAL_FAILURE(compressSequence(8, colours));
        expectTableColours();
    }
}

// A valid key frame and its stream, to be damaged by the tests.
class CorruptFrame : public ::testing::Test {
protected:
    void SetUp() override {
        input_ = makeFormat(48, 32, 16);
        OpenCodec compressor(ICMODE_COMPRESS);
        ASSERT_EQ(ICCompressGetFormat(compressor.get(), input_.get(), compressed_.get()), ICERR_OK);
        ASSERT_EQ(ICCompressBegin(compressor.get(), input_.get(), compressed_.get()), ICERR_OK);
        picture_ = patternPicture(input_.header, 9);
        CompressedFrame frame = compressOne(compressor.get(), input_.header, picture_, compressed_.header, true, 0);
        ASSERT_EQ(frame.status, ICERR_OK);
        frame_ = frame.bytes;
        output_ = makeFormat(48, 32, 16);
        ASSERT_EQ(ICDecompressBegin(decompressor_.get(), compressed_.get(), output_.get()), ICERR_OK);
    }

    // The damaged frame fails, writes nothing past the picture, and the stream
    // still decodes the intact frame afterwards.
    void expectRefusedWithoutHarm(const std::vector<uint8_t>& damaged, const std::string& what) {
        PoisonedBuffer picture(dibPictureBytes(output_.header));
        EXPECT_EQ(decompressInto(decompressor_.get(), compressed_.header, damaged, output_.header, picture),
                  ICERR_ERROR)
            << what;
        EXPECT_TRUE(picture.guardIntact()) << what;
        PoisonedBuffer good(dibPictureBytes(output_.header));
        ASSERT_EQ(decompressInto(decompressor_.get(), compressed_.header, frame_, output_.header, good), ICERR_OK);
        EXPECT_EQ(std::memcmp(good.data(), picture_.data(), picture_.size()), 0) << "after " << what;
    }

    BitmapFormat input_, compressed_, output_;
    std::vector<uint8_t> picture_, frame_;
    OpenCodec decompressor_{ICMODE_DECOMPRESS};
};

TEST_F(CorruptFrame, EveryFlippedByteIsRefused) {
    for (size_t i = 0; i < frame_.size(); i += (i < 64 ? 1 : 7)) {
        std::vector<uint8_t> damaged = frame_;
        damaged[i] ^= 0x5A;
        expectRefusedWithoutHarm(damaged, "byte " + std::to_string(i) + " flipped");
    }
}

TEST_F(CorruptFrame, TruncatedFramesAreRefused) {
    // (An empty frame, and one that ends without its End chunk exactly after a
    // whole chunk, are valid: the first shows the held picture.)
    for (size_t length : {size_t(1), size_t(7), size_t(8), frame_.size() / 2, frame_.size() - 9, frame_.size() - 1}) {
        std::vector<uint8_t> damaged(frame_.begin(), frame_.begin() + ptrdiff_t(length));
        expectRefusedWithoutHarm(damaged, "cut to " + std::to_string(length));
    }
}

TEST_F(CorruptFrame, GarbageAndOverlongChunkLengthsAreRefused) {
    std::vector<uint8_t> garbage(frame_.size());
    uint32_t state = 12345;
    for (uint8_t& b : garbage) b = uint8_t((state = state * 1103515245u + 12345u) >> 24);
    expectRefusedWithoutHarm(garbage, "garbage");

    std::vector<uint8_t> overlong = frame_;
    overlong[4] = 0xFF;
    overlong[5] = 0xFF;
    overlong[6] = 0xFF;
    overlong[7] = 0x7F;
    expectRefusedWithoutHarm(overlong, "chunk length beyond the frame");
}

// Bytes of the process's address space that are committed.
size_t committedBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT) total += region.RegionSize;
    }
    return total;
}

// Opens streams of 640 x 480 in both directions and closes the instance
// without END, many times: the committed memory must not grow by the buffers.
TEST(InstanceClose, FreesStreamsThatWereNeverEnded) {
    OpenCodec keepLoaded(ICMODE_QUERY);  // the driver file stays mapped between rounds
    BitmapFormat input = makeFormat(640, 480, 32), compressed = makeCompressedFormat(640, 480, 16);
    BitmapFormat output = makeFormat(640, 480, 32);
    auto openAndAbandonStreams = [&] {
        HIC hic = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, ICMODE_COMPRESS);
        ASSERT_NE(hic, nullptr);
        ASSERT_EQ(ICCompressBegin(hic, input.get(), compressed.get()), ICERR_OK);
        ASSERT_EQ(ICDecompressBegin(hic, compressed.get(), output.get()), ICERR_OK);
        ICClose(hic);
    };
    ASSERT_NO_FATAL_FAILURE(openAndAbandonStreams());  // settles the heap
    const size_t before = committedBytes();
    constexpr int ROUNDS = 40;  // about 2.8 MB of stream buffers each
    for (int i = 0; i < ROUNDS; ++i) ASSERT_NO_FATAL_FAILURE(openAndAbandonStreams());
    const size_t after = committedBytes();
    EXPECT_LT(after > before ? after - before : 0, size_t(8) << 20) << "committed memory grew";
}

}  // namespace
}  // namespace drav::test
