#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/frame_coding.h"
#include "codec/testing/stream_buffers.h"
#include "reference_encoder.h"
#include "test_support.h"

namespace drav {
namespace {

using test::Dib;
using test::TestEncoder;

const std::vector<uint8_t> END_CHUNK = {0xC3, 0x85, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

// A chunk sequence: (type, offset, length) of every chunk of a frame.
struct ChunkAt {
    uint8_t type;
    uint32_t offset, length;
};

std::vector<ChunkAt> chunksOf(const TestEncoder& encoder) {
    std::vector<ChunkAt> chunks;
    for (uint32_t offset = 0; offset < encoder.size();) {
        ChunkHeader header = readChunkHeader(encoder.data() + offset);
        EXPECT_EQ(header.crc, chunkCrc16(encoder.data() + offset + 2, header.length - 2, 0));
        chunks.push_back({header.type, offset, header.length});
        offset += header.length;
    }
    return chunks;
}

class CompressorAtDepth : public ::testing::TestWithParam<unsigned> {};

TEST_P(CompressorAtDepth, UnchangedDeltaFrameIsTheEndChunkAlone) {
    Dib frame(37, 11, GetParam());
    frame.fillRandom(1, GetParam() == 16 ? 0x7F : 0xFF);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    EXPECT_TRUE(encoder.result.keyFrame);
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    EXPECT_FALSE(encoder.result.keyFrame);
    EXPECT_EQ(END_CHUNK, encoder.frame());
}

TEST_P(CompressorAtDepth, KeyFrameCodesTheWholePictureAsLiterals) {
    Dib frame(20, 9, GetParam());
    frame.fillRandom(2);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    auto chunks = chunksOf(encoder);
    ASSERT_EQ(GetParam() == 8 ? 3u : 2u, chunks.size());
    const ChunkAt& rect = chunks[chunks.size() - 2];
    const uint8_t* chunk = encoder.data() + rect.offset;
    EXPECT_EQ(3, rect.type);
    EXPECT_EQ(20, readU16(chunk + RECT_WIDTH_OFFSET));
    EXPECT_EQ(9, readU16(chunk + RECT_HEIGHT_OFFSET));
    EXPECT_EQ(GetParam() == 8 ? 8 : 15, chunk[RECT_PIXEL_FORMAT_OFFSET]);
    EXPECT_EQ(0, readU16(chunk + RECT_X_OFFSET));
    EXPECT_EQ(0, readU16(chunk + RECT_Y_OFFSET));
    EXPECT_EQ(0, chunks.back().type);
}

TEST_P(CompressorAtDepth, OnePixelChangeGivesAOnePixelRectangle) {
    Dib frame(16, 12, GetParam());
    frame.fillRandom(3);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    frame.pixel(5, 7)[0] ^= 0x08;
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    auto chunks = chunksOf(encoder);
    ASSERT_EQ(2u, chunks.size());
    const uint8_t* chunk = encoder.data() + chunks[0].offset;
    EXPECT_EQ(5, readU16(chunk + RECT_X_OFFSET));
    EXPECT_EQ(7, readU16(chunk + RECT_Y_OFFSET));
    EXPECT_EQ(1, readU16(chunk + RECT_WIDTH_OFFSET));
    EXPECT_EQ(1, readU16(chunk + RECT_HEIGHT_OFFSET));
}

TEST_P(CompressorAtDepth, RectangleCoversTwoDistantChanges) {
    Dib frame(8, 8, GetParam());
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    frame.pixel(0, 0)[0] = 0x18;
    frame.pixel(3, 3)[0] = 0x18;
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    ChangeRect rect{0, 0, 4, 4};
    // 14 unchanged pixels inside the rectangle go out as SYMBOL_UNCHANGED.
    Dib previous(8, 8, GetParam());
    auto expected =
        test::referenceCodedRectChunk(frame.pixels.data(), previous.pixels.data(), frame.format, rect, false);
    expected.insert(expected.end(), END_CHUNK.begin(), END_CHUNK.end());
    EXPECT_EQ(expected, encoder.frame());
}

// Raw video stores rows top-down with a stride of its own: compressRows reads
// them where they are and must give the frames compress gives for the DIB.
TEST_P(CompressorAtDepth, TopDownRowsGiveTheFramesOfTheBottomUpPicture) {
    Dib frame(37, 11, GetParam());
    const size_t pixelBytes = size_t(37) * GetParam() / 8, stride = pixelBytes + 5;
    TestEncoder dib(frame.format), rows(frame.format);
    ASSERT_EQ(CodecStatus::Ok, dib.begin());
    ASSERT_EQ(CodecStatus::Ok, rows.begin());
    for (uint32_t seed : {1u, 2u}) {
        frame.fillRandom(seed, GetParam() == 16 ? 0x7F : 0xFF);
        std::vector<uint8_t> topDown(stride * 11, 0xCC);
        for (uint32_t y = 0; y < 11; ++y) std::memcpy(&topDown[(10 - y) * stride], frame.pixel(0, y), pixelBytes);
        ASSERT_EQ(CodecStatus::Ok, dib.compress(frame, seed == 1));
        ASSERT_EQ(CodecStatus::Ok,
                  rows.codec.compressRows(&topDown[10 * stride], -ptrdiff_t(stride), frame.colors, seed == 1,
                                          {rows.output.data(), rows.output.size()}, rows.result));
        EXPECT_EQ(dib.frame(), rows.frame()) << "frame " << seed;
    }
    EXPECT_EQ(CodecStatus::BadPicture,
              rows.codec.compressRows(frame.pixels.data(), ptrdiff_t(pixelBytes) - 1, frame.colors, true,
                                      {rows.output.data(), rows.output.size()}, rows.result));
}

// A frame-parallel worker, given each picture and the one before it, must
// give the frames of the stream compressed in order, byte for byte, whatever
// order it sees them in: here last to first, the pictures top-down.
TEST_P(CompressorAtDepth, FramesCompressedAfterTheirPreviousPictureMatchTheStream) {
    const unsigned depth = GetParam();
    std::mt19937 random(depth);
    std::vector<Dib> pictures(12, Dib(41, 13, depth));
    pictures[0].fillRandom(1, depth == 16 ? 0x7F : 0xFF);
    for (size_t i = 1; i < pictures.size(); ++i) {
        pictures[i] = pictures[i - 1];
        for (int n = int(random() % 40); n > 0; --n) pictures[i].pixels[random() % pictures[i].pixels.size()] ^= 0x21;
        if (random() % 3 == 0) pictures[i].colors[random() % 256].green ^= 0x40;
    }
    std::vector<bool> keyFrames;
    TestEncoder inOrder(pictures[0].format);
    ASSERT_EQ(CodecStatus::Ok, inOrder.begin());
    std::vector<std::vector<uint8_t>> expected;
    for (size_t i = 0; i < pictures.size(); ++i) {
        keyFrames.push_back(i == 0 || random() % 4 == 0);
        ASSERT_EQ(CodecStatus::Ok, inOrder.compress(pictures[i], keyFrames[i]));
        expected.push_back(inOrder.frame());
    }

    const size_t rowBytes = pictures[0].stride;
    auto topDown = [&](const Dib& picture, std::vector<uint8_t>& rows) {
        rows.assign(picture.pixels.size(), 0xCC);
        for (uint32_t y = 0; y < 13; ++y)
            std::memcpy(&rows[(12 - y) * rowBytes], &picture.pixels[y * rowBytes], rowBytes);
        return InputPicture{&rows[12 * rowBytes], -ptrdiff_t(rowBytes), picture.colors};
    };
    TestEncoder worker(pictures[0].format);
    ASSERT_EQ(CodecStatus::Ok, worker.codec.begin(pictures[0].format, History::Given));
    EXPECT_EQ(StreamBuffers::previousPicture(worker.codec), nullptr);
    for (size_t i = pictures.size() - 1; i < pictures.size(); --i) {
        std::vector<uint8_t> rows, previousRows;
        const InputPicture picture = topDown(pictures[i], rows);
        const InputPicture previous = i > 0 ? topDown(pictures[i - 1], previousRows) : InputPicture{};
        ASSERT_EQ(CodecStatus::Ok,
                  worker.codec.compressAfter(picture, previous, keyFrames[i],
                                             {worker.output.data(), worker.output.size()}, worker.result));
        EXPECT_EQ(expected[i], worker.frame()) << "frame " << i;
    }
    EXPECT_EQ(CodecStatus::NoStream, worker.compress(pictures[0], true));
    EXPECT_EQ(
        CodecStatus::BadPicture,
        worker.codec.compressAfter(InputPicture{pictures[1].pixels.data(), ptrdiff_t(rowBytes), pictures[1].colors},
                                   InputPicture{}, false, {worker.output.data(), worker.output.size()}, worker.result));
}

INSTANTIATE_TEST_SUITE_P(Depths, CompressorAtDepth, ::testing::Values(8u, 16u, 32u));

TEST(Compressor, EightBitKeyFrameAlwaysCarriesTheWholePalette) {
    Dib frame(4, 4, 8);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
        const uint8_t* chunk = encoder.data();
        EXPECT_EQ(1, chunk[2]);
        EXPECT_EQ(778u, readU32(chunk + 4));
        EXPECT_EQ(0, chunk[8]);
        EXPECT_EQ(255, chunk[9]);
    }
}

TEST(Compressor, PaletteChangeAloneCarriesOnlyTheChangedRange) {
    Dib frame(4, 4, 8);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    frame.colors[0] = PaletteEntry{1, 2, 3, 0};
    frame.colors[7].reserved = 99;  // the fourth byte is not compared
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    auto bytes = encoder.frame();
    ASSERT_EQ(13u + 8u, bytes.size());
    EXPECT_EQ(1, bytes[2]);
    EXPECT_EQ(13u, readU32(&bytes[4]));
    EXPECT_EQ(0, bytes[8]);
    EXPECT_EQ(0, bytes[9]);
    EXPECT_EQ(3, bytes[10]);  // red, green, blue
    EXPECT_EQ(2, bytes[11]);
    EXPECT_EQ(1, bytes[12]);
    EXPECT_EQ(END_CHUNK, std::vector<uint8_t>(bytes.begin() + 13, bytes.end()));
}

TEST(Compressor, SixteenBitOnePixelChunkHasTheExactStream) {
    Dib frame(10, 10, 16);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    const uint16_t pixel = 0x5A5A;  // bit 15 clear: the literal is the pixel
    std::memcpy(frame.pixel(5, 7), &pixel, 2);
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    auto bytes = encoder.frame();
    ASSERT_EQ(21u + 8u, bytes.size());
    EXPECT_EQ(21u, readU32(&bytes[4]));
    // CODE_CLEAR at width 4, the literal (flag 1, 15 bits), CODE_END at width 4: 26 bits.
    uint32_t bits = 2u | (1u | uint32_t(pixel) << 1) << 5;
    EXPECT_EQ(uint8_t(bits), bytes[17]);
    EXPECT_EQ(uint8_t(bits >> 8), bytes[18]);
    EXPECT_EQ(uint8_t(bits >> 16), bytes[19]);
    EXPECT_EQ(uint8_t(bits >> 24), bytes[20]);
}

TEST(Compressor, FourthByteChangeOfThirtyTwoBitPixelStillCounts) {
    Dib frame(6, 6, 32);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    frame.pixel(2, 4)[3] = 0x77;
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    auto chunks = chunksOf(encoder);
    ASSERT_EQ(2u, chunks.size());
    EXPECT_EQ(1, readU16(encoder.data() + RECT_WIDTH_OFFSET));
    EXPECT_EQ(2, readU16(encoder.data() + RECT_X_OFFSET));
    EXPECT_EQ(4, readU16(encoder.data() + RECT_Y_OFFSET));
}

TEST(Compressor, SinglePixelPictureAlwaysSendsItsRectangle) {
    Dib frame(1, 1, 16);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, true));
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    auto chunks = chunksOf(encoder);
    ASSERT_EQ(2u, chunks.size());
    EXPECT_EQ(3, chunks[0].type);
    // CODE_CLEAR, SYMBOL_UNCHANGED and CODE_END, each flag 0 plus 4 bits: 15 bits, 2 bytes.
    EXPECT_EQ(19u, chunks[0].length);
    EXPECT_EQ(0x02 | (0x02 << 1) << 5, encoder.data()[17] | encoder.data()[18] << 8);
}

TEST(Compressor, FirstFrameWithoutKeyFlagComparesAgainstABlackPicture) {
    Dib frame(9, 5, 32);
    frame.fillRandom(4);
    TestEncoder first(frame.format), second(frame.format);
    ASSERT_EQ(CodecStatus::Ok, first.begin());
    ASSERT_EQ(CodecStatus::Ok, second.begin());
    ASSERT_EQ(CodecStatus::Ok, first.compress(frame, false));
    ASSERT_EQ(CodecStatus::Ok, second.compress(frame, false));
    EXPECT_EQ(first.frame(), second.frame());
}

TEST(Compressor, FrameWithoutARunningStreamOrOfTooFewBytesFails) {
    Dib frame(4, 4, 16), smaller(4, 3, 16);
    TestEncoder encoder(frame.format);
    EXPECT_EQ(CodecStatus::NoStream, encoder.compress(frame, true));
    EXPECT_EQ(0u, encoder.size());
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    EXPECT_EQ(CodecStatus::BadPicture, encoder.compress(smaller, true));
    Dib paletted(4, 4, 8);
    TestEncoder withoutPalette(paletted.format);
    ASSERT_EQ(CodecStatus::Ok, withoutPalette.begin());
    EXPECT_EQ(CodecStatus::BadPicture,
              withoutPalette.codec.compress(ByteSpan{paletted.pixels.data(), 16}, nullptr, true,
                                            MutableByteSpan{withoutPalette.output.data(), withoutPalette.output.size()},
                                            withoutPalette.result));
    EXPECT_EQ(CodecStatus::BadFormat, encoder.codec.begin(PictureFormat{4, 4, 24}));
}

TEST(Compressor, TooSmallOutputCapacityFailsWithoutOverrun) {
    Dib frame(64, 64, 32);
    frame.fillRandom(5);
    TestEncoder encoder(frame.format);
    ASSERT_EQ(CodecStatus::Ok, encoder.begin());
    for (uint32_t capacity : {0u, 7u, 16u, 17u, 100u, 1000u}) {
        std::fill(encoder.output.begin(), encoder.output.end(), 0xCC);
        const ByteSpan picture{frame.pixels.data(), frame.pixels.size()};
        EXPECT_EQ(CodecStatus::BadOutput,
                  encoder.codec.compress(picture, frame.colors, true, MutableByteSpan{encoder.output.data(), capacity},
                                         encoder.result))
            << capacity;
        EXPECT_EQ(0u, encoder.size());
        for (size_t i = capacity; i < encoder.output.size(); ++i) ASSERT_EQ(0xCC, encoder.output[i]) << capacity;
    }
    // A failed frame, even one cut off inside its rectangle, is still what the next frame is compared with.
    ASSERT_EQ(CodecStatus::Ok, encoder.compress(frame, false));
    EXPECT_EQ(END_CHUNK, encoder.frame());
}

TEST(FindChangedPaletteRange, IgnoresTheFourthByteAndReportsEmptyAsInverted) {
    PaletteEntry a[256] = {}, b[256] = {};
    b[200].reserved = 1;
    uint32_t first = 0, last = 255;
    findChangedPaletteRange(a, b, first, last);
    EXPECT_EQ(255u, first);
    EXPECT_EQ(0u, last);
    b[3].green = 1;
    b[250].red = 1;
    first = 0, last = 255;
    findChangedPaletteRange(a, b, first, last);
    EXPECT_EQ(3u, first);
    EXPECT_EQ(250u, last);
}

TEST(FindChangedRect, FindsTheBoundsOfScatteredChangesAtEveryDepth) {
    std::mt19937 random(6);
    for (unsigned bitCount : {8u, 16u, 32u}) {
        for (int trial = 0; trial < 200; ++trial) {
            const int32_t width = 1 + int32_t(random() % 40), height = 1 + int32_t(random() % 20);
            Dib picture(width, height, bitCount), previous(width, height, bitCount);
            picture.fillRandom(uint32_t(trial));
            previous.pixels = picture.pixels;
            uint32_t minX = UINT32_MAX, minY = UINT32_MAX, maxX = 0, maxY = 0;
            for (int changes = int(random() % 4); changes > 0; --changes) {
                uint32_t x = random() % uint32_t(width), y = random() % uint32_t(height);
                previous.pixel(x, y)[random() % (bitCount / 8)] ^= uint8_t(1 + random() % 255);
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
            ChangeRect rect{9, 9, 9, 9};
            findChangedRect(picture.format, packedRows(picture.format, picture.pixels.data()),
                            packedRows(previous.format, previous.pixels.data()), rect);
            if (minX == UINT32_MAX) {
                const uint32_t side = width == 1 && height == 1 ? 1 : 0;
                EXPECT_EQ(side, rect.width);
                EXPECT_EQ(side, rect.height);
            } else {
                EXPECT_EQ(minX, rect.x);
                EXPECT_EQ(minY, rect.y);
                EXPECT_EQ(maxX - minX + 1, rect.width);
                EXPECT_EQ(maxY - minY + 1, rect.height);
            }
        }
    }
}

TEST(FindChangedRect, RowPaddingIsNotCompared) {
    Dib picture(3, 2, 8), previous(3, 2, 8);
    previous.pixels[3] = 1;  // padding byte of row 0
    ChangeRect rect{1, 1, 1, 1};
    findChangedRect(picture.format, packedRows(picture.format, picture.pixels.data()),
                    packedRows(previous.format, previous.pixels.data()), rect);
    EXPECT_EQ(0u, rect.width);
}

// Rows of value 1 with a run of 2 or 3 and some noise in each: long runs of
// few literals, and a string table that fills up between them.
void fillStripes(Dib& picture, std::mt19937& random) {
    for (uint32_t y = 0; y < picture.format.height; ++y) {
        uint8_t* row = picture.pixel(0, y);
        std::memset(row, 1, picture.stride);
        const uint32_t length = random() % 300, at = random() % (picture.format.width - length);
        std::memset(row + at, 2 + random() % 2, length);
        for (uint32_t n = random() % 64; n > 0; --n) row[random() % picture.format.width] = uint8_t(random());
    }
}

// The optimised encoder must produce the plain encoder's tokens exactly,
// including the 15-bit CODE_CLEAR after a full table, and along runs of one
// literal past the longest the encoder keeps by length.
TEST(WriteCodedRectChunk, MatchesThePlainEncoderTokenForToken) {
    std::mt19937 random(7);
    std::vector<uint8_t> workArea(LZW_WORK_AREA_SIZE, 0);
    struct Case {
        int32_t width, height;
        unsigned bitCount;
        uint32_t valueMask;
        bool keyFrame;
        uint32_t sparseChanges = 0;  // previous equals the picture but for this many pixels
        bool stripes = false;        // fillStripes
    };
    const Case cases[] = {
        {400, 400, 16, 0xFF, true},       {400, 400, 32, 0xFF, true},       {300, 300, 8, 0xFF, true},
        {257, 131, 16, 0x03, false},      {64, 64, 8, 0x01, false},         {1, 1, 32, 0xFF, true},
        {333, 1, 32, 0x07, false},        {1, 333, 16, 0x01, true},         {700, 700, 32, 0xFF, false, 900},
        {1000, 400, 16, 0xFF, false, 20}, {640, 480, 8, 0x0F, false, 5000}, {3000, 3000, 8, 0, true},
        {3000, 3000, 8, 0, true, 0, true}};
    for (const Case& c : cases) {
        Dib picture(c.width, c.height, c.bitCount), previous(c.width, c.height, c.bitCount);
        picture.fillRandom(random(), c.valueMask);
        previous.fillRandom(random(), c.valueMask);
        if (c.sparseChanges) {
            previous.pixels = picture.pixels;
            for (uint32_t n = 0; n < c.sparseChanges; ++n) previous.pixels[random() % previous.pixels.size()] ^= 0x80;
        }
        if (c.stripes) fillStripes(picture, random);
        ChangeRect rect{0, 0, uint32_t(c.width), uint32_t(c.height)};
        if (c.width > 8 && c.height > 8) rect = ChangeRect{3, 2, uint32_t(c.width - 5), uint32_t(c.height - 4)};
        auto expected = test::referenceCodedRectChunk(picture.pixels.data(), previous.pixels.data(), picture.format,
                                                      rect, c.keyFrame);
        std::vector<uint8_t> output(expected.size() + 64, 0xCC);
        uint32_t offset = 0;
        ASSERT_TRUE(writeCodedRectChunk(output.data(), uint32_t(output.size()), offset,
                                        packedRows(picture.format, picture.pixels.data()),
                                        packedRows(previous.format, previous.pixels.data()), nullptr, picture.format,
                                        rect, c.keyFrame, workArea.data()));
        ASSERT_EQ(expected.size(), offset) << c.width << "x" << c.height;
        EXPECT_EQ(expected, std::vector<uint8_t>(output.begin(), output.begin() + offset))
            << c.width << "x" << c.height << " at " << c.bitCount;
    }
}

TEST(WriteCodedRectChunk, RefusesARectangleOutsideThePicture) {
    Dib picture(10, 10, 16);
    std::vector<uint8_t> workArea(LZW_WORK_AREA_SIZE, 0), output(1000);
    uint32_t offset = 0;
    const InputRows rows = packedRows(picture.format, picture.pixels.data());
    EXPECT_FALSE(writeCodedRectChunk(output.data(), 1000, offset, rows, rows, nullptr, picture.format,
                                     ChangeRect{5, 0, 6, 1}, true, workArea.data()));
    EXPECT_EQ(0u, offset);
}

TEST(ChunkWriters, RefuseToWritePastTheCapacity) {
    std::vector<uint8_t> output(64, 0xCC);
    PaletteEntry table[256] = {};
    uint32_t offset = 60;
    EXPECT_FALSE(writeEndChunk(output.data(), 64, offset));
    EXPECT_FALSE(writePaletteChunk(output.data(), 64, offset, table, 0, 0));
    EXPECT_EQ(60u, offset);
    for (uint8_t byte : output) EXPECT_EQ(0xCC, byte);
    offset = 56;
    EXPECT_TRUE(writeEndChunk(output.data(), 64, offset));
    EXPECT_EQ(64u, offset);
}

}  // namespace
}  // namespace drav
