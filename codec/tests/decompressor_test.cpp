#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "codec/decompressor.h"
#include "codec/frame_coding.h"
#include "codec/testing/stream_buffers.h"
#include "test_support.h"

namespace drav {
namespace {

using test::Dib;
using test::TestDecoder;
using test::TestEncoder;

const std::vector<uint8_t> END_CHUNK = {0xC3, 0x85, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

using test::outputSpec;

void expectWorkPictureHolds(const TestDecoder& decoder, Dib& frame, const PaletteEntry* palette) {
    const PictureFormat& header = frame.format;
    for (uint32_t y = 0; y < uint32_t(header.height); ++y)
        for (uint32_t x = 0; x < uint32_t(header.width); ++x) {
            uint8_t expected[3];
            test::expectedWorkColor(frame.pixel(x, y), header.depth, palette, expected);
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

class RoundTripAtDepth : public ::testing::TestWithParam<unsigned> {};

// Random edits of random sizes, key frame every 10 frames: after every frame
// the work picture holds the input (cut to 5 bits a channel for 32-bit input).
TEST_P(RoundTripAtDepth, ManyDeltaFramesOfRandomEdits) {
    const unsigned bitCount = GetParam();
    std::mt19937 random(bitCount);
    Dib frame(71, 43, bitCount);
    frame.fillRandom(1, bitCount == 16 ? 0x7F : 0xFF);
    for (auto& c : frame.colors) c = PaletteEntry{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    TestDecoder decoder(71, 43, encoder.streamDepth);
    for (int n = 0; n < 40; ++n) {
        for (int edits = int(random() % 5); edits > 0; --edits) {
            uint32_t x0 = random() % 71, y0 = random() % 43, w = 1 + random() % 20, h = 1 + random() % 6;
            for (uint32_t y = y0; y < std::min(43u, y0 + h); ++y)
                for (uint32_t x = x0; x < std::min(71u, x0 + w); ++x)
                    frame.pixel(x, y)[0] = uint8_t(random() % 4 == 0 ? random() : frame.pixel(x, y)[0] + 8);
        }
        // Pixels keep the colour they were decoded with, so the palette only
        // changes where the whole picture is decoded again.
        if (n % 10 == 0) frame.colors[random() % 256].green ^= 0x40;
        ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, n % 10 == 0));
        ASSERT_EQ(CodecStatus::Ok, decoder.apply(encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.colors);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTripAtDepth, ::testing::Values(8u, 16u, 32u));

TEST(Decompressor, FullStringTableIsClearedAndDecodingGoesOn) {
    Dib frame(400, 400, 16);
    frame.fillRandom(2, 0xFF);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    TestDecoder decoder(400, 400, 16);
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(encoder.frame()));
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
        TestEncoder encoder(frame.format);
        ASSERT_EQ(CodecStatus::Ok, encoder.begin());
        TestDecoder decoder(203, 37, encoder.streamDepth);
        ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
        ASSERT_EQ(CodecStatus::Ok, decoder.apply(encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.colors);

        for (uint32_t y = 2; y < 35; ++y)
            for (uint32_t x = 0; x < 203; ++x)
                if ((x + 7 * y) % 5 < 2) frame.pixel(x, y)[0] ^= 0x0C;
        ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
        ASSERT_EQ(CodecStatus::Ok, decoder.apply(encoder.frame()));
        expectWorkPictureHolds(decoder, frame, frame.colors);
    }
}

// A literal, then the code it is about to define (its own string twice), then
// that code again: "A", "AA", "AA" fill five pixels.
TEST(Decompressor, CodeUsedAsItIsDefinedRepeatsThePreviousString) {
    TestDecoder decoder(5, 1, 16);
    const auto stream = StreamBuilder().literal(0x001F, 15).code(4, 4).code(4, 4).code(0, 4).finish();
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::CodedRect, 0, 0, 5, 1, 15, stream)));
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(248, decoder.workPixel(x, 0)[0]) << x;
}

TEST(Decompressor, EmptyAndEndOnlyFramesKeepThePicture) {
    TestDecoder decoder(4, 4, 16);
    auto raw = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {0xFF, 0x7F});
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(raw));
    const uint8_t white[3] = {248, 248, 248};
    EXPECT_EQ(0, std::memcmp(white, decoder.workPixel(0, 0), 3));
    EXPECT_EQ(CodecStatus::Ok, decoder.apply(END_CHUNK));
    EXPECT_EQ(CodecStatus::Ok, decoder.codec.apply(ByteSpan{nullptr, 100}));
    EXPECT_EQ(CodecStatus::Ok, decoder.codec.apply(ByteSpan{raw.data(), 0}));
    EXPECT_EQ(0, std::memcmp(white, decoder.workPixel(0, 0), 3));
}

TEST(Decompressor, BadCrcInSecondChunkFailsAfterTheFirstWasApplied) {
    TestDecoder decoder(4, 4, 8);
    auto second = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 8, {9});
    second[0] ^= 1;
    EXPECT_EQ(CodecStatus::BadFrame, decoder.apply(concat({paletteChunk(9, 9, {10, 20, 30}), second})));
    EXPECT_EQ(10, StreamBuffers::palette(decoder.codec)[9].red);
    EXPECT_EQ(20, StreamBuffers::palette(decoder.codec)[9].green);
    EXPECT_EQ(30, StreamBuffers::palette(decoder.codec)[9].blue);
    EXPECT_EQ(0, decoder.workPixel(0, 0)[0]);
}

TEST(Decompressor, FrameEndingWithoutEndChunkSucceeds) {
    TestDecoder decoder(4, 4, 16);
    EXPECT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::RawRect, 1, 2, 2, 1, 15, {0, 0, 0x1F, 0})));
    EXPECT_EQ(248, decoder.workPixel(2, 2)[0]);
}

TEST(Decompressor, NothingAfterTheEndChunkIsRead) {
    TestDecoder decoder(4, 4, 16);
    auto frame = concat({END_CHUNK, {0xDE, 0xAD}});
    EXPECT_EQ(CodecStatus::Ok, decoder.apply(frame));
}

TEST(Decompressor, RawRectOfUnknownPixelFormatChangesNothing) {
    TestDecoder decoder(4, 4, 16);
    EXPECT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 24, {1, 2, 3})));
    EXPECT_EQ(0, decoder.workPixel(0, 0)[0]);
}

TEST(Decompressor, PaletteChangeDoesNotRecolourDecodedPixels) {
    TestDecoder decoder(4, 4, 8);
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(concat({paletteChunk(5, 5, {100, 100, 100}),
                                                     rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 8, {5})})));
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(paletteChunk(5, 5, {1, 2, 3})));
    EXPECT_EQ(100, decoder.workPixel(0, 0)[2]);
}

TEST(Decompressor, RefusesOutputsTheRendererCannotProduce) {
    TestDecoder decoder(4, 4, 16);
    std::vector<uint8_t> output(4 * 4 * 4, 0xCC);
    OutputPicture picture{output.data(), 12, 4, 4, OutputFormat::Bgr24, ScalingForms::Plain};
    for (auto refuse : std::vector<void (*)(OutputPicture&)>{
             [](OutputPicture& p) { p.width = 0; }, [](OutputPicture& p) { p.height = 0; },
             [](OutputPicture& p) { p.width = 65536; }, [](OutputPicture& p) { p.rows = nullptr; },
             [](OutputPicture& p) { p.format = OutputFormat(0); }}) {
        OutputPicture refused = picture;
        refuse(refused);
        EXPECT_EQ(CodecStatus::BadOutput, decoder.codec.render(refused));
    }
    EXPECT_EQ(CodecStatus::BadOutput, decoder.codec.renderRows(picture, 2, 5));
    EXPECT_EQ(CodecStatus::BadOutput, decoder.codec.renderRows(picture, 3, 2));
    for (uint8_t byte : output) EXPECT_EQ(0xCC, byte);
}

TEST(Decompressor, NothingWorksWithoutAStream) {
    TestDecoder decoder(4, 4, 16);
    std::vector<uint8_t> output(64);
    decoder.codec.end();
    EXPECT_EQ(CodecStatus::NoStream, decoder.apply(END_CHUNK));
    EXPECT_EQ(CodecStatus::NoStream, decoder.decode(nullptr, 0, outputSpec(4, 4, 24), output.data()));
    EXPECT_EQ(CodecStatus::BadFormat, decoder.codec.begin(PictureFormat{4, 4, 32}));
    EXPECT_EQ(CodecStatus::BadFormat, decoder.codec.begin(PictureFormat{65536, 4, 16}));
}

// Changed rows are those of the frame's rectangles, also when a later chunk fails.
TEST(Decompressor, SaysWhichRowsAFrameChanged) {
    TestDecoder decoder(4, 6, 16);
    RowRange rows;
    const auto raw = rectChunk(ChunkType::RawRect, 1, 2, 1, 3, 15, {1, 0, 2, 0, 3, 0});
    EXPECT_EQ(CodecStatus::Ok, decoder.codec.apply(ByteSpan{raw.data(), raw.size()}, &rows));
    EXPECT_EQ(2u, rows.first);
    EXPECT_EQ(5u, rows.end);
    auto broken = concat({rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {1, 0}), raw});
    broken.back() ^= 1;
    EXPECT_EQ(CodecStatus::BadFrame, decoder.codec.apply(ByteSpan{broken.data(), broken.size()}, &rows));
    EXPECT_EQ(0u, rows.first);
    EXPECT_EQ(1u, rows.end);
    const auto palette = paletteChunk(0, 0, {1, 2, 3});
    EXPECT_EQ(CodecStatus::Ok, decoder.codec.apply(ByteSpan{palette.data(), palette.size()}, &rows));
    EXPECT_TRUE(rows.empty());
}

TEST(DecompressorOutput, EndOnlyFrameRendersTheHeldPictureAgain) {
    TestDecoder decoder(2, 2, 16);
    auto raw = rectChunk(ChunkType::RawRect, 1, 1, 1, 1, 15, {0x1F, 0x00});
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(raw));
    std::vector<uint8_t> output(2 * 8, 0xCC);
    ASSERT_EQ(CodecStatus::Ok, decoder.decode(END_CHUNK.data(), 8, outputSpec(2, 2, 24), output.data()));
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0xCC, 0xCC, 0, 0, 0, 248, 0, 0, 0xCC, 0xCC};
    EXPECT_EQ(expected, output);
}

TEST(DecompressorOutput, Rgb565OutputCarriesSixBitsOfGreen) {
    TestDecoder decoder(1, 1, 16);
    auto raw = rectChunk(ChunkType::RawRect, 0, 0, 1, 1, 15, {0xFF, 0x7F});
    uint8_t output[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    ASSERT_EQ(CodecStatus::Ok, decoder.decode(raw.data(), uint32_t(raw.size()), outputSpec(1, 1, 16, true), output));
    EXPECT_EQ(0xFFDF, output[0] | output[1] << 8);  // 248 as 5-6-5: 31, 62, 31
    EXPECT_EQ(0xCC, output[2]);
}

// An exact half in the smoothed-half forms smooths with the border; the
// plain bilinear form samples pixel (2i, 2j) with fractions 0.
TEST(DecompressorOutput, ExactHalfSmoothsOnlyInTheSmoothedHalfForms) {
    for (bool smoothedHalf : {false, true}) {
        TestDecoder decoder(4, 4, 16, smoothedHalf);
        std::vector<uint8_t> white(4 * 4 * 2, 0xFF);
        ASSERT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::RawRect, 0, 0, 4, 4, 15, white)));
        uint8_t output[16] = {};
        ASSERT_EQ(CodecStatus::Ok, decoder.decode(END_CHUNK.data(), 8, outputSpec(2, 2, 32), output));
        EXPECT_EQ(smoothedHalf ? (248 * 9) >> 4 : 248, output[0]) << "smoothedHalf " << smoothedHalf;
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
        EXPECT_EQ(CodecStatus::BadFrame, decoder.apply(frame)) << what;
    }
}

TEST(Decompressor, ShortStreamLeavesTheRestOfTheRectangle) {
    TestDecoder decoder(4, 4, 16);
    ASSERT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::CodedRect, 0, 0, 4, 4, 15,
                                                       StreamBuilder().literal(0x7FFF, 15).code(0, 4).finish())));
    EXPECT_EQ(248, decoder.workPixel(0, 0)[0]);
    EXPECT_EQ(0, decoder.workPixel(1, 0)[0]);
}

// Every truncation and every single-bit flip of real frames is either
// rejected or decoded without any access outside the buffers.
TEST(Decompressor, SurvivesEveryTruncationAndBitFlip) {
    Dib frame(23, 17, 8);
    frame.fillRandom(3, 0x07);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    const std::vector<uint8_t> good = encoder.frame();
    TestDecoder decoder(23, 17, 8);
    for (size_t length = 0; length < good.size(); ++length) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + length);
        CodecStatus result = decoder.apply(cut);
        bool boundary = length == 0 || length == 778 || length == good.size() - 8;
        EXPECT_EQ(boundary ? CodecStatus::Ok : CodecStatus::BadFrame, result) << length;
    }
    for (size_t bit = 0; bit < good.size() * 8; bit += 3) {
        auto flipped = good;
        flipped[bit / 8] ^= uint8_t(1 << (bit % 8));
        EXPECT_EQ(CodecStatus::BadFrame, decoder.apply(flipped)) << bit;
    }
}

}  // namespace
}  // namespace drav

namespace drav {
namespace {

// Bands of rows, into a top-down buffer through a negative stride, give the
// pixels of one whole render at every scale and with either set of forms.
TEST(DecompressorOutput, BandsThroughANegativeStrideMatchAWholeRender) {
    std::mt19937 random(7);
    std::vector<uint8_t> pixels(9 * 7 * 2);
    for (auto& byte : pixels) byte = uint8_t(random() & 0x7F);
    for (bool smoothedHalf : {false, true})
        for (const auto& [width, height] : std::vector<std::pair<uint32_t, uint32_t>>{{9, 7}, {4, 3}, {13, 11}}) {
            TestDecoder decoder(9, 7, 16, smoothedHalf);
            ASSERT_EQ(CodecStatus::Ok, decoder.apply(rectChunk(ChunkType::RawRect, 0, 0, 9, 7, 15, pixels)));
            const uint32_t rowBytes = outputRowBytes(width, OutputFormat::Bgr24);
            std::vector<uint8_t> whole(rowBytes * height, 0xCC), banded(whole.size(), 0xCC);
            OutputPicture picture{
                whole.data(), ptrdiff_t(rowBytes), width,
                height,       OutputFormat::Bgr24, smoothedHalf ? ScalingForms::SmoothedHalf : ScalingForms::Plain};
            ASSERT_EQ(CodecStatus::Ok, decoder.codec.render(picture));
            picture.rows = banded.data() + (height - 1) * rowBytes;
            picture.stride = -ptrdiff_t(rowBytes);
            for (uint32_t first = 0; first < height; first += 2)
                ASSERT_EQ(CodecStatus::Ok, decoder.codec.renderRows(picture, first, std::min(first + 2, height)));
            for (uint32_t j = 0; j < height; ++j)
                EXPECT_EQ(0, std::memcmp(&whole[j * rowBytes], &banded[(height - 1 - j) * rowBytes], rowBytes))
                    << width << "x" << height << " smoothedHalf " << smoothedHalf << " row " << j;
        }
}

}  // namespace
}  // namespace drav
