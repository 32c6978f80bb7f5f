#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "codec/codec_stream.h"
#include "codec/decompressor.h"
#include "codec/frame_format.h"
#include "test_support.h"

namespace drav {
namespace {

using test::Dib;
using test::TestDecoder;
using test::TestEncoder;

const std::vector<uint8_t> END_CHUNK = {0xC3, 0x85, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

BITMAPINFOHEADER outputHeader(int32_t width, int32_t height, unsigned bitCount, uint32_t compression = BI_RGB) {
    return test::makeBitmapHeader(width, height, bitCount, compression);
}

void expectWorkPictureHolds(const TestDecoder& decoder, Dib& frame, const RGBQUAD* palette) {
    const auto& header = frame.header();
    for (uint32_t y = 0; y < uint32_t(header.biHeight); ++y)
        for (uint32_t x = 0; x < uint32_t(header.biWidth); ++x) {
            uint8_t expected[3];
            test::expectedWorkColor(frame.pixel(x, y), header.biBitCount, palette, expected);
            ASSERT_EQ(0, std::memcmp(expected, decoder.workPixel(x, y), 3)) << "pixel " << x << "," << y;
        }
}

// Bits least significant first, as the coded stream packs them.
class StreamBuilder {
public:
    StreamBuilder& bits(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i, ++used_) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= uint8_t(((value >> i) & 1) << (used_ % 8));
        }
        return *this;
    }
    StreamBuilder& code(uint32_t value, unsigned width) { return bits(0, 1).bits(value, width); }
    StreamBuilder& literal(uint32_t value, unsigned width) { return bits(1, 1).bits(value, width); }
    std::vector<uint8_t> finish() {
        bytes_.push_back(0);
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    unsigned used_ = 0;
};

// A chunk of `headerSize` bytes (zero but for type and length) followed by
// `body`. Sized once: growing the header by insert() makes GCC 12 at -O3 see a
// copy past the header's end (-Warray-bounds).
std::vector<uint8_t> chunkWithBody(ChunkType type, uint32_t headerSize, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> chunk(headerSize + body.size(), 0);
    std::copy(body.begin(), body.end(), chunk.begin() + headerSize);
    chunk[2] = uint8_t(type);
    writeU32(&chunk[4], uint32_t(chunk.size()));
    return chunk;
}

std::vector<uint8_t> rectChunk(ChunkType type, uint16_t x, uint16_t y, uint16_t width, uint16_t height,
                               uint8_t pixelFormat, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> chunk = chunkWithBody(type, RECT_CHUNK_HEADER_SIZE, body);
    writeU16(&chunk[RECT_WIDTH_OFFSET], width);
    writeU16(&chunk[RECT_HEIGHT_OFFSET], height);
    chunk[RECT_PIXEL_FORMAT_OFFSET] = pixelFormat;
    writeU16(&chunk[RECT_Y_OFFSET], y);
    writeU16(&chunk[RECT_X_OFFSET], x);
    sealChunk(chunk.data(), uint32_t(chunk.size()));
    return chunk;
}

std::vector<uint8_t> paletteChunk(uint8_t first, uint8_t last, const std::vector<uint8_t>& colours) {
    std::vector<uint8_t> chunk = chunkWithBody(ChunkType::Palette, PALETTE_CHUNK_BASE_SIZE, colours);
    chunk[8] = first;
    chunk[9] = last;
    sealChunk(chunk.data(), uint32_t(chunk.size()));
    return chunk;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

long decodeOnly(TestDecoder& decoder, const std::vector<uint8_t>& frame) {
    return decoder.decode(frame.data(), uint32_t(frame.size()), outputHeader(1, 1, 24), nullptr, ICDECOMPRESS_PREROLL);
}

class RoundTripAtDepth : public ::testing::TestWithParam<unsigned> {};

// Random edits of random sizes, key frame every 10 frames: after every frame
// the work picture holds the input (cut to 5 bits a channel for 32-bit input).
TEST_P(RoundTripAtDepth, ManyDeltaFramesOfRandomEdits) {
    const unsigned bitCount = GetParam();
    std::mt19937 random(bitCount);
    Dib frame(71, 43, bitCount);
    frame.fillRandom(1, bitCount == 16 ? 0x7F : 0xFF);
    for (auto& c : frame.info.colors) c = RGBQUAD{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    TestEncoder encoder(frame.header());
    ASSERT_EQ(ICERR_OK, encoder.begin());
    TestDecoder decoder(71, 43, encoder.compressedHeader.biBitCount);
    for (int n = 0; n < 40; ++n) {
        for (int edits = int(random() % 5); edits > 0; --edits) {
            uint32_t x0 = random() % 71, y0 = random() % 43, w = 1 + random() % 20, h = 1 + random() % 6;
            for (uint32_t y = y0; y < std::min(43u, y0 + h); ++y)
                for (uint32_t x = x0; x < std::min(71u, x0 + w); ++x)
                    frame.pixel(x, y)[0] = uint8_t(random() % 4 == 0 ? random() : frame.pixel(x, y)[0] + 8);
        }
        // Pixels keep the colour they were decoded with, so the palette only
        // changes where the whole picture is decoded again.
        if (n % 10 == 0) frame.info.colors[random() % 256].rgbGreen ^= 0x40;
        ASSERT_EQ(ICERR_OK, encoder.compress(frame, n % 10 == 0));
        ASSERT_EQ(ICERR_OK, decodeOnly(decoder, encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.info.colors);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTripAtDepth, ::testing::Values(8u, 16u, 32u));

TEST(Decompressor, FullStringTableIsClearedAndDecodingGoesOn) {
    Dib frame(400, 400, 16);
    frame.fillRandom(2, 0xFF);
    TestEncoder encoder(frame.header());
    ASSERT_EQ(ICERR_OK, encoder.begin());
    ASSERT_EQ(ICERR_OK, encoder.compress(frame, true));
    TestDecoder decoder(400, 400, 16);
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, encoder.frame()));
    expectWorkPictureHolds(decoder, frame, nullptr);
}

// Long runs make strings of every length, each code used in the very token
// that defines it (previous strings shorter and longer than a copy block);
// the delta frame then mixes literal and unchanged pixels in strings that run
// across rows of a width that no block or mask size divides.
TEST(Decompressor, LongRepeatedStringsAcrossRowsOfAnyWidth) {
    for (unsigned bitCount : {8u, 16u}) {
        Dib frame(203, 37, bitCount);
        for (uint32_t y = 0; y < 37; ++y)
            for (uint32_t x = 0; x < 203; ++x) frame.pixel(x, y)[0] = uint8_t(y < 20 ? 0x21 : x % 3);
        TestEncoder encoder(frame.header());
        ASSERT_EQ(ICERR_OK, encoder.begin());
        TestDecoder decoder(203, 37, encoder.compressedHeader.biBitCount);
        ASSERT_EQ(ICERR_OK, encoder.compress(frame, true));
        ASSERT_EQ(ICERR_OK, decodeOnly(decoder, encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.info.colors);

        for (uint32_t y = 2; y < 35; ++y)
            for (uint32_t x = 0; x < 203; ++x)
                if ((x + 7 * y) % 5 < 2) frame.pixel(x, y)[0] ^= 0x0C;
        ASSERT_EQ(ICERR_OK, encoder.compress(frame, false));
        ASSERT_EQ(ICERR_OK, decodeOnly(decoder, encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.info.colors);
    }
}

// A literal, then the code it is about to define (its own string twice), then
// that code again: "A", "AA", "AA" fill five pixels.
TEST(Decompressor, CodeUsedAsItIsDefinedRepeatsThePreviousString) {
    TestDecoder decoder(5, 1, 16);
    const auto stream = StreamBuilder().literal(0x001F, 15).code(4, 4).code(4, 4).code(0, 4).finish();
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, rectChunk(ChunkType::CodedRect, 0, 0, 5, 1, 15, stream)));
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(248, decoder.workPixel(x, 0)[0]) << x;
}

TEST(Decompressor, EmptyAndEndOnlyFramesKeepThePicture) {
    TestDecoder decoder(4, 4, 16);
    auto raw = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {0xFF, 0x7F});
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, raw));
    const uint8_t white[3] = {248, 248, 248};
    EXPECT_EQ(0, std::memcmp(white, decoder.workPixel(0, 0), 3));
    EXPECT_EQ(ICERR_OK, decodeOnly(decoder, END_CHUNK));
    EXPECT_EQ(ICERR_OK, decoder.decode(nullptr, 100, outputHeader(4, 4, 24), nullptr, ICDECOMPRESS_PREROLL));
    EXPECT_EQ(ICERR_OK, decoder.decode(raw.data(), 0, outputHeader(4, 4, 24), nullptr, ICDECOMPRESS_PREROLL));
    EXPECT_EQ(0, std::memcmp(white, decoder.workPixel(0, 0), 3));
}

TEST(Decompressor, BadCrcInSecondChunkFailsAfterTheFirstWasApplied) {
    TestDecoder decoder(4, 4, 8);
    auto second = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 8, {9});
    second[0] ^= 1;
    EXPECT_EQ(ICERR_ERROR, decodeOnly(decoder, concat({paletteChunk(9, 9, {10, 20, 30}), second})));
    EXPECT_EQ(10, decoder.instance.decodePalette[9].rgbRed);
    EXPECT_EQ(20, decoder.instance.decodePalette[9].rgbGreen);
    EXPECT_EQ(30, decoder.instance.decodePalette[9].rgbBlue);
    EXPECT_EQ(0, decoder.workPixel(0, 0)[0]);
}

TEST(Decompressor, FrameEndingWithoutEndChunkSucceeds) {
    TestDecoder decoder(4, 4, 16);
    EXPECT_EQ(ICERR_OK, decodeOnly(decoder, rectChunk(ChunkType::RawRect, 1, 2, 2, 1, 15, {0, 0, 0x1F, 0})));
    EXPECT_EQ(248, decoder.workPixel(2, 2)[0]);
}

TEST(Decompressor, NothingAfterTheEndChunkIsRead) {
    TestDecoder decoder(4, 4, 16);
    auto frame = concat({END_CHUNK, {0xDE, 0xAD}});
    EXPECT_EQ(ICERR_OK, decodeOnly(decoder, frame));
}

TEST(Decompressor, RawRectOfUnknownPixelFormatChangesNothing) {
    TestDecoder decoder(4, 4, 16);
    EXPECT_EQ(ICERR_OK, decodeOnly(decoder, rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 24, {1, 2, 3})));
    EXPECT_EQ(0, decoder.workPixel(0, 0)[0]);
}

TEST(Decompressor, PaletteChangeDoesNotRecolourDecodedPixels) {
    TestDecoder decoder(4, 4, 8);
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, concat({paletteChunk(5, 5, {100, 100, 100}),
                                                    rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 8, {5})})));
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, paletteChunk(5, 5, {1, 2, 3})));
    EXPECT_EQ(100, decoder.workPixel(0, 0)[2]);
}

TEST(Decompressor, RefusesOutputsTheRendererCannotProduce) {
    TestDecoder decoder(4, 4, 16);
    std::vector<uint8_t> output(4 * 4 * 4, 0xCC);
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, 4, 8), output.data()));
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, 4, 24, 1), output.data()));
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, -4, 24), output.data()));
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, 4, 24), nullptr));
    for (uint8_t byte : output) EXPECT_EQ(0xCC, byte);
}

TEST(Decompressor, FrameWithoutAStreamOrOfAnotherSizeFails) {
    TestDecoder decoder(4, 4, 16);
    std::vector<uint8_t> output(64);
    decoder.compressedHeader.biWidth = 5;
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, 4, 24), output.data()));
    decoder.compressedHeader.biWidth = 4;
    endDecompressionStream(decoder.instance);
    EXPECT_EQ(ICERR_ERROR, decoder.decode(END_CHUNK.data(), 8, outputHeader(4, 4, 24), output.data()));
}

TEST(Decompressor, HurryUpAdvancesThePictureButLeavesTheOutput) {
    TestDecoder decoder(4, 4, 16);
    std::vector<uint8_t> output(48, 0xCC);
    auto raw = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {0xFF, 0x7F});
    EXPECT_EQ(ICERR_OK, decoder.decode(raw.data(), uint32_t(raw.size()), outputHeader(4, 4, 24), output.data(),
                                       ICDECOMPRESS_HURRYUP));
    EXPECT_EQ(248, decoder.workPixel(0, 0)[1]);
    for (uint8_t byte : output) EXPECT_EQ(0xCC, byte);
}

TEST(DecompressorOutput, EndOnlyFrameRendersTheHeldPictureAgain) {
    TestDecoder decoder(2, 2, 16);
    auto raw = rectChunk(ChunkType::RawRect, 1, 1, 1, 1, 15, {0x1F, 0x00});
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, raw));
    std::vector<uint8_t> output(2 * 8, 0xCC);
    ASSERT_EQ(ICERR_OK, decoder.decode(END_CHUNK.data(), 8, outputHeader(2, 2, 24), output.data()));
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0xCC, 0xCC, 0, 0, 0, 248, 0, 0, 0xCC, 0xCC};
    EXPECT_EQ(expected, output);
}

TEST(DecompressorOutput, SixteenBitBitfieldsOutputIsAlways565) {
    TestDecoder decoder(1, 1, 16);
    auto raw = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {0xFF, 0x7F});
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } format = {outputHeader(1, 1, 16, BI_BITFIELDS), {0x7C00, 0x03E0, 0x001F}};  // masks say 5-5-5
    uint8_t output[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    ASSERT_EQ(ICERR_OK, decoder.decode(raw.data(), uint32_t(raw.size()), format.header, output));
    EXPECT_EQ(0xFFDF, output[0] | output[1] << 8);  // 248 as 5-6-5: 31, 62, 31
    EXPECT_EQ(0xCC, output[2]);
}

// An exact half with MMX smooths with the border; without MMX the plain
// bilinear form samples pixel (2i, 2j) with fractions 0.
TEST(DecompressorOutput, ExactHalfSmoothsOnlyWithMmx) {
    for (bool mmx : {false, true}) {
        TestDecoder decoder(4, 4, 16, mmx);
        std::vector<uint8_t> white(4 * 4 * 2, 0xFF);
        ASSERT_EQ(ICERR_OK, decodeOnly(decoder, rectChunk(ChunkType::RawRect, 0, 0, 4, 4, 15, white)));
        uint8_t output[16] = {};
        ASSERT_EQ(ICERR_OK, decoder.decode(END_CHUNK.data(), 8, outputHeader(2, 2, 32), output));
        EXPECT_EQ(mmx ? (248 * 9) >> 4 : 248, output[0]) << "mmx " << mmx;
    }
}

// Chunks with a valid crc whose contents are corrupt: each must fail without
// touching memory outside the chunk, the picture or the palette (ASan watches).
TEST(Decompressor, RejectsCorruptChunksWithValidCrc) {
    auto tooShort = std::vector<uint8_t>{0, 0, 3, 0, 12, 0, 0, 0, 1, 0, 1, 0};
    sealChunk(tooShort.data(), 12);
    auto badLength = std::vector<uint8_t>{0, 0, 0, 0, 4, 0, 0, 0};
    auto reserved = paletteChunk(0, 0, {1, 2, 3});
    reserved[3] = 1;
    sealChunk(reserved.data(), uint32_t(reserved.size()));
    auto badType = END_CHUNK;
    badType[2] = 4;
    sealChunk(badType.data(), 8);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"rect chunk shorter than its header", tooShort},
        {"length below the header", badLength},
        {"reserved byte set", reserved},
        {"unknown type", badType},
        {"palette range longer than the chunk", paletteChunk(0, 200, {1, 2, 3})},
        {"raw rect outside the picture", rectChunk(ChunkType::RawRect, 3, 0, 2, 1, 8, {0, 0})},
        {"raw rect of zero width", rectChunk(ChunkType::RawRect, 0, 0, 0, 1, 8, {})},
        {"raw rect with too few pixels", rectChunk(ChunkType::RawRect, 0, 0, 2, 2, 15, {0, 0, 0})},
        {"coded rect outside the picture",
         rectChunk(ChunkType::CodedRect, 0, 3, 1, 2, 15, StreamBuilder().code(1, 4).code(0, 4).finish())},
        {"coded rect of unknown pixel format",
         rectChunk(ChunkType::CodedRect, 0, 0, 1, 1, 16, StreamBuilder().code(1, 4).code(0, 4).finish())},
        {"string code before any string",
         rectChunk(ChunkType::CodedRect, 0, 0, 2, 2, 15, StreamBuilder().code(1, 4).code(4, 4).code(0, 4).finish())},
        {"code above the next code",
         rectChunk(ChunkType::CodedRect, 0, 0, 4, 4, 15, StreamBuilder().code(2, 4).code(9, 4).code(0, 4).finish())},
        {"more pixels than the rectangle",
         rectChunk(ChunkType::CodedRect, 0, 0, 1, 1, 15, StreamBuilder().code(2, 4).code(2, 4).code(0, 4).finish())},
        {"stream running past the chunk", rectChunk(ChunkType::CodedRect, 0, 0, 4, 4, 15, {0x42})},
    };
    for (const auto& [what, frame] : cases) {
        TestDecoder decoder(4, 4, 16);
        EXPECT_EQ(ICERR_ERROR, decodeOnly(decoder, frame)) << what;
    }
}

TEST(Decompressor, ShortStreamLeavesTheRestOfTheRectangle) {
    TestDecoder decoder(4, 4, 16);
    ASSERT_EQ(ICERR_OK, decodeOnly(decoder, rectChunk(ChunkType::CodedRect, 0, 0, 4, 4, 15,
                                                      StreamBuilder().literal(0x7FFF, 15).code(0, 4).finish())));
    EXPECT_EQ(248, decoder.workPixel(0, 0)[0]);
    EXPECT_EQ(0, decoder.workPixel(1, 0)[0]);
}

// Every truncation and every single-bit flip of real frames is either
// rejected or decoded without any access outside the buffers.
TEST(Decompressor, SurvivesEveryTruncationAndBitFlip) {
    Dib frame(23, 17, 8);
    frame.fillRandom(3, 0x07);
    TestEncoder encoder(frame.header());
    ASSERT_EQ(ICERR_OK, encoder.begin());
    ASSERT_EQ(ICERR_OK, encoder.compress(frame, true));
    const std::vector<uint8_t> good = encoder.frame();
    TestDecoder decoder(23, 17, 8);
    for (size_t length = 0; length < good.size(); ++length) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + length);
        long result = decodeOnly(decoder, cut);
        bool boundary = length == 0 || length == 778 || length == good.size() - 8;
        EXPECT_EQ(boundary ? ICERR_OK : ICERR_ERROR, result) << length;
    }
    for (size_t bit = 0; bit < good.size() * 8; bit += 3) {
        auto flipped = good;
        flipped[bit / 8] ^= uint8_t(1 << (bit % 8));
        EXPECT_EQ(ICERR_ERROR, decodeOnly(decoder, flipped)) << bit;
    }
}

}  // namespace
}  // namespace drav
