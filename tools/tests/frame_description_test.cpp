#include "frame_description.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "codec/frame_format.h"
#include "test_pictures.h"

namespace drav::tool {
namespace {

// A frame assembled chunk by chunk as the format lays chunks out.
struct FrameBuilder {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(4096);
    uint32_t offset = 0;

    // The chunk's header; its fields from byte 8 on are the caller's.
    uint8_t* open(ChunkType type, uint32_t length) {
        uint8_t* chunk = bytes.data() + offset;
        std::fill(chunk, chunk + length, uint8_t(0));
        chunk[2] = uint8_t(type);
        writeU32(chunk + 4, length);
        return chunk;
    }
    FrameBuilder& seal(uint8_t* chunk, uint32_t length) {
        sealChunk(chunk, length);
        offset += length;
        return *this;
    }
    FrameBuilder& palette(uint32_t first, uint32_t last) {  // black entries
        const uint32_t length = PALETTE_CHUNK_BASE_SIZE + 3 * (last - first + 1);
        uint8_t* chunk = open(ChunkType::Palette, length);
        chunk[8] = uint8_t(first);
        chunk[9] = uint8_t(last);
        return seal(chunk, length);
    }
    FrameBuilder& rect(ChunkType type, uint16_t x, uint16_t y, uint16_t width, uint16_t height, uint8_t format,
                       uint32_t pixelBytes) {
        const uint32_t length = RECT_CHUNK_HEADER_SIZE + pixelBytes;
        uint8_t* chunk = open(type, length);
        writeU16(chunk + RECT_WIDTH_OFFSET, width);
        writeU16(chunk + RECT_HEIGHT_OFFSET, height);
        chunk[RECT_PIXEL_FORMAT_OFFSET] = format;
        writeU16(chunk + RECT_Y_OFFSET, y);
        writeU16(chunk + RECT_X_OFFSET, x);
        return seal(chunk, length);
    }
    FrameBuilder& end() { return seal(open(ChunkType::End, END_CHUNK_SIZE), END_CHUNK_SIZE); }
    FrameInspection inspect(uint32_t width = 64, uint32_t height = 48) const {
        return inspectFrame(bytes.data(), offset, width, height);
    }
};

TEST(FrameInspector, DescribesTheChunksOfSoundFrames) {
    FrameInspection key = FrameBuilder().palette(0, 255).rect(ChunkType::CodedRect, 0, 0, 64, 48, 8, 5).end().inspect();
    EXPECT_TRUE(key.intact) << key.problem;
    EXPECT_TRUE(key.endChunkSeen);
    EXPECT_EQ(describeChunks(key), "Palette[0-255] CodedRect(0,0 64x48 pal8) End");
    EXPECT_TRUE(coversWholePicture(key, 64, 48, 8));

    FrameInspection delta = FrameBuilder().rect(ChunkType::RawRect, 5, 7, 2, 1, 15, 4).end().inspect();
    EXPECT_TRUE(delta.intact) << delta.problem;
    EXPECT_EQ(describeChunks(delta), "RawRect(5,7 2x1 rgb555) End");
    EXPECT_FALSE(coversWholePicture(delta, 64, 48, 16));

    EXPECT_EQ(describeChunks(FrameBuilder().inspect()), "(empty)");
}

TEST(FrameInspector, WholePictureNeedsTheWholePaletteInPalettedStreams) {
    FrameInspection rectOnly = FrameBuilder().rect(ChunkType::CodedRect, 0, 0, 64, 48, 8, 5).end().inspect();
    EXPECT_FALSE(coversWholePicture(rectOnly, 64, 48, 8));
    EXPECT_TRUE(coversWholePicture(rectOnly, 64, 48, 16));
}

TEST(FrameInspector, AFrameWithoutEndChunkEndingAtItsSizeIsSound) {
    FrameInspection inspection = FrameBuilder().rect(ChunkType::CodedRect, 0, 0, 1, 1, 15, 4).inspect();
    EXPECT_TRUE(inspection.intact);
    EXPECT_FALSE(inspection.endChunkSeen);
}

TEST(FrameInspector, BytesAfterTheEndChunkAreCountedNotRead) {
    FrameBuilder builder;
    builder.end();
    builder.bytes[builder.offset] = 0xEE;  // garbage that a decoder never reads
    builder.offset += 3;
    FrameInspection inspection = builder.inspect();
    EXPECT_TRUE(inspection.intact);
    EXPECT_EQ(inspection.trailingBytes, 3u);
}

TEST(FrameInspector, NamesTheChunkAndTheFault) {
    struct Case {
        const char* name;
        std::function<void(FrameBuilder&)> damage;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"flipped bit", [](FrameBuilder& f) { f.bytes[778 + 20] ^= 0x10; },
         "chunk 2 at byte 778: CodedRect fails its CRC"},
        {"cut short", [](FrameBuilder& f) { f.offset = 778 + 10; },
         "chunk 2 at byte 778: CodedRect of 22 bytes reaches beyond"},
        {"header cut", [](FrameBuilder& f) { f.offset = 778 + 5; }, "chunk 2 at byte 778: only 5 bytes left"},
        {"unknown type",
         [](FrameBuilder& f) {
             f.bytes[778 + 2] = 9;
             sealChunk(f.bytes.data() + 778, 22);
         },
         "unknown chunk type 9"},
        {"reserved byte",
         [](FrameBuilder& f) {
             f.bytes[778 + 3] = 1;
             sealChunk(f.bytes.data() + 778, 22);
         },
         "reserved byte 1"},
        {"too short",
         [](FrameBuilder& f) {
             writeU32(f.bytes.data() + 778 + 4, 12);
             sealChunk(f.bytes.data() + 778, 12);
         },
         "CodedRect of only 12 bytes"},
        {"outside",
         [](FrameBuilder& f) {
             writeU16(f.bytes.data() + 778 + RECT_X_OFFSET, 60);
             sealChunk(f.bytes.data() + 778, 22);
         },
         "not inside the picture"},
        {"pixel format",
         [](FrameBuilder& f) {
             f.bytes[778 + RECT_PIXEL_FORMAT_OFFSET] = 24;
             sealChunk(f.bytes.data() + 778, 22);
         },
         "pixel format 24"},
    };
    for (const Case& c : cases) {
        FrameBuilder builder;
        builder.palette(0, 255).rect(ChunkType::CodedRect, 0, 0, 8, 8, 8, 5).end();
        c.damage(builder);
        FrameInspection inspection = builder.inspect();
        EXPECT_FALSE(inspection.intact) << c.name;
        EXPECT_NE(inspection.problem.find(c.expected), std::string::npos) << c.name << ": " << inspection.problem;
    }
}

TEST(FrameInspector, ChunksShorterThanTheirContentsAreFaults) {
    FrameBuilder palette;
    palette.palette(0, 200).end();
    palette.bytes[9] = 255;  // 256 entries claimed in a chunk of 201
    sealChunk(palette.bytes.data(), 613);
    FrameInspection inspection = palette.inspect();
    EXPECT_FALSE(inspection.intact);
    EXPECT_NE(inspection.problem.find("chunk 1 at byte 0: Palette of 613 bytes for 256 entries"), std::string::npos)
        << inspection.problem;

    FrameInspection raw = FrameBuilder().rect(ChunkType::RawRect, 0, 0, 4, 2, 15, 15).end().inspect();
    EXPECT_FALSE(raw.intact);
    EXPECT_NE(raw.problem.find("RawRect of 32 bytes for 16 bytes of pixels"), std::string::npos) << raw.problem;
}

TEST(FrameInspector, RawRectsOfOtherPixelFormatsAreIgnoredLikeTheDecoderDoes) {
    FrameInspection inspection = FrameBuilder().rect(ChunkType::RawRect, 0, 0, 64, 48, 24, 0).end().inspect();
    EXPECT_TRUE(inspection.intact) << inspection.problem;
    EXPECT_EQ(describeChunks(inspection), "RawRect(0,0 64x48 pixel format 24, ignored) End");
    EXPECT_FALSE(changesPixels(inspection.chunks[0]));
    EXPECT_FALSE(coversWholePicture(inspection, 64, 48, 16));
}

TEST(FrameInspector, CompressorFramesAreSound) {
    DibPicture picture = test::makeRandomDib(33, 17, 32, 1);
    CompressionStream stream(picture.info.header);
    test::StoredTestFrame key = test::compressInto(stream, picture, true);
    picture.pixels[4 * 3] ^= 0xFF;  // one pixel of row 0 changes
    test::StoredTestFrame delta = test::compressInto(stream, picture, false);
    test::StoredTestFrame same = test::compressInto(stream, picture, false);
    EXPECT_EQ(same.bytes.size(), END_CHUNK_SIZE);

    FrameInspection keyInspection = inspectFrame(key.bytes.data(), uint32_t(key.bytes.size()), 33, 17);
    EXPECT_TRUE(keyInspection.intact);
    EXPECT_TRUE(coversWholePicture(keyInspection, 33, 17, 16));
    FrameInspection deltaInspection = inspectFrame(delta.bytes.data(), uint32_t(delta.bytes.size()), 33, 17);
    EXPECT_EQ(describeChunks(deltaInspection), "CodedRect(3,0 1x1 rgb555) End");
}

}  // namespace
}  // namespace drav::tool
