// Format negotiation through msvfw32: what the compressor and decompressor
// accept and propose, including hostile sizes.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "SettingsGuard.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

// One format offered to a query and the answer expected for it.
struct QueryCase {
    const char* what;
    BitmapFormat format;
    LRESULT expected;
};

template <typename Query>
void expectAnswers(Query query, std::initializer_list<QueryCase> cases) {
    for (QueryCase c : cases) EXPECT_EQ(query(c.format.get()), c.expected) << c.what;
}

TEST(CompressQuery, AcceptsPalettedHighColourAndTrueColourRgbOnly) {
    OpenCodec codec(ICMODE_COMPRESS);
    expectAnswers([&](BITMAPINFOHEADER* input) { return ICCompressQuery(codec.get(), input, nullptr); },
                  {{"8 bits", makeFormat(64, 48, 8), ICERR_OK},
                   {"16 bits", makeFormat(64, 48, 16), ICERR_OK},
                   {"32 bits", makeFormat(64, 48, 32), ICERR_OK},
                   {"1 bit", makeFormat(64, 48, 1), ICERR_BADFORMAT},
                   {"4 bits", makeFormat(64, 48, 4), ICERR_BADFORMAT},
                   {"24 bits", makeFormat(64, 48, 24), ICERR_BADFORMAT},
                   {"16-bit bit fields", makeFormat(64, 48, 16, BI_BITFIELDS), ICERR_BADFORMAT},
                   {"DRAV", makeCompressedFormat(64, 48, 16), ICERR_BADFORMAT}});
    EXPECT_EQ(codec.send(ICM_COMPRESS_QUERY, 0, 0), ICERR_BADFORMAT);
}

TEST(CompressQuery, RefusesHeadersThatMisplaceTheColourTable) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat hugeHeader = makeFormat(64, 48, 8), shortHeader = makeFormat(64, 48, 8);
    BitmapFormat manyColours = makeFormat(64, 48, 8);
    hugeHeader.header.biSize = 0x7FFFFFFF;
    shortHeader.header.biSize = 12;
    manyColours.header.biClrUsed = 257;
    expectAnswers([&](BITMAPINFOHEADER* input) { return ICCompressQuery(codec.get(), input, nullptr); },
                  {{"huge header", hugeHeader, ICERR_BADFORMAT},
                   {"core header", shortHeader, ICERR_BADFORMAT},
                   {"257 colours", manyColours, ICERR_BADFORMAT}});
}

TEST(CompressQuery, OutputMustBeDravOfTheInputsSize) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 32);
    expectAnswers([&](BITMAPINFOHEADER* output) { return ICCompressQuery(codec.get(), input.get(), output); },
                  {{"8 bits", makeCompressedFormat(64, 48, 8), ICERR_OK},
                   {"16 bits", makeCompressedFormat(64, 48, 16), ICERR_OK},
                   {"24 bits, never proposed", makeCompressedFormat(64, 48, 24), ICERR_OK},
                   {"32 bits", makeCompressedFormat(64, 48, 32), ICERR_BADFORMAT},
                   {"one pixel narrower", makeCompressedFormat(63, 48, 16), ICERR_BADFORMAT},
                   {"one row lower", makeCompressedFormat(64, 47, 16), ICERR_BADFORMAT},
                   {"uncompressed", makeFormat(64, 48, 16), ICERR_BADFORMAT}});
}

TEST(CompressQuery, RefusesTopDownEmptyAndOversizedPictures) {
    OpenCodec codec(ICMODE_COMPRESS);
    struct Size {
        LONG width, height;
    };
    for (Size size : {Size{64, -48}, Size{0, 48}, Size{-64, 48}, Size{64, 0}, Size{70000, 16}, Size{40000, 40000}}) {
        BitmapFormat input = makeFormat(size.width, size.height, 32);
        input.header.biSizeImage = 0;
        EXPECT_EQ(ICCompressQuery(codec.get(), input.get(), nullptr), ICERR_BADFORMAT)
            << size.width << "x" << size.height;
        EXPECT_EQ(LONG(ICCompressGetFormatSize(codec.get(), input.get())), ICERR_BADFORMAT);
    }
}

TEST(CompressGetFormat, ProposesSixteenBitsExceptForPalettedInput) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat trueColour = makeFormat(640, 480, 32);
    EXPECT_EQ(ICCompressGetFormatSize(codec.get(), trueColour.get()), 40);
    BitmapFormat paletted = makeFormat(640, 480, 8);
    EXPECT_EQ(ICCompressGetFormatSize(codec.get(), paletted.get()), 1064);

    BitmapFormat proposed;
    std::memset(&proposed, POISON, sizeof(proposed));
    ASSERT_EQ(ICCompressGetFormat(codec.get(), trueColour.get(), proposed.get()), ICERR_OK);
    const BITMAPINFOHEADER& h = proposed.header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 640);
    EXPECT_EQ(h.biHeight, 480);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 16);
    EXPECT_EQ(h.biCompression, FOURCC_DRAV_FORMAT);
    // The worst-case frame: hosts size their frame buffers from it.
    EXPECT_EQ(h.biSizeImage, 922403u);
    EXPECT_EQ(h.biSizeImage, ICCompressGetSize(codec.get(), trueColour.get(), proposed.get()));
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    // Only the 40 bytes of the header are written for 16 bits.
    EXPECT_EQ(proposed.colors[0].rgbBlue, POISON);
}

TEST(CompressGetFormat, PalettedProposalCarriesAZeroColourTable) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(320, 200, 8);
    struct {
        BitmapFormat format;
        uint8_t after[16];
    } proposed;
    std::memset(&proposed, POISON, sizeof(proposed));
    ASSERT_EQ(ICCompressGetFormat(codec.get(), input.get(), proposed.format.get()), ICERR_OK);
    EXPECT_EQ(proposed.format.header.biBitCount, 8);
    const auto* table = reinterpret_cast<const uint8_t*>(proposed.format.colors);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(table[i], 0) << i;
    EXPECT_EQ(proposed.after[0], POISON);
}

TEST(CompressGetFormat, RefusedInputWritesNothing) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 48, 24);
    BitmapFormat proposed;
    std::memset(&proposed, POISON, sizeof(proposed));
    EXPECT_EQ(ICCompressGetFormat(codec.get(), input.get(), proposed.get()), ICERR_BADFORMAT);
    EXPECT_EQ(proposed.header.biSize, 0xCCCCCCCCu);
}

TEST(CompressGetSize, IsThreeBytesAPixelPlusTheChunkMargin) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(640, 480, 32);
    BitmapFormat output = makeCompressedFormat(640, 480, 16);
    EXPECT_EQ(ICCompressGetSize(codec.get(), input.get(), output.get()), 922403u);
    BitmapFormat small = makeCompressedFormat(1, 1, 8);
    EXPECT_EQ(ICCompressGetSize(codec.get(), input.get(), small.get()), 806u);
}

// Hosts allocate what GET_SIZE answers: an output no stream can have gets
// 0, not a status (ICERR_BADFORMAT would read as 4 GiB).
TEST(CompressGetSize, IsZeroForOutputsNoStreamCanHave) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(640, 480, 32);
    BitmapFormat topDown = makeCompressedFormat(640, -480, 16), huge = makeCompressedFormat(60000, 60000, 16);
    BitmapFormat coreHeader = makeCompressedFormat(640, 480, 16);
    coreHeader.header.biSize = 12;
    EXPECT_EQ(ICCompressGetSize(codec.get(), input.get(), nullptr), 0u);
    for (BitmapFormat* output : {&topDown, &huge, &coreHeader})
        EXPECT_EQ(ICCompressGetSize(codec.get(), input.get(), output->get()), 0u) << output->header.biHeight;
}

using DecompressQuery = SettingsTest;

TEST_F(DecompressQuery, AcceptsDravInputOfEightSixteenAndTwentyFourBits) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    expectAnswers([&](BITMAPINFOHEADER* input) { return ICDecompressQuery(codec.get(), input, nullptr); },
                  {{"8 bits", makeCompressedFormat(64, 48, 8), ICERR_OK},
                   {"16 bits", makeCompressedFormat(64, 48, 16), ICERR_OK},
                   {"24 bits", makeCompressedFormat(64, 48, 24), ICERR_OK},
                   {"32 bits", makeCompressedFormat(64, 48, 32), ICERR_BADFORMAT},
                   {"uncompressed", makeFormat(64, 48, 16), ICERR_BADFORMAT},
                   {"top-down", makeCompressedFormat(64, -48, 16), ICERR_BADFORMAT}});
    EXPECT_EQ(codec.send(ICM_DECOMPRESS_QUERY, 0, 0), ICERR_BADFORMAT);
}

TEST_F(DecompressQuery, OutputDepthsAndCompressionsWithEverythingAllowed) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(640, 480, 16);
    expectAnswers([&](BITMAPINFOHEADER* output) { return ICDecompressQuery(codec.get(), input.get(), output); },
                  {{"16 bits", makeFormat(640, 480, 16), ICERR_OK},
                   {"24 bits", makeFormat(640, 480, 24), ICERR_OK},
                   {"32 bits", makeFormat(640, 480, 32), ICERR_OK},
                   {"16-bit bit fields", makeFormat(640, 480, 16, BI_BITFIELDS), ICERR_OK},
                   {"half size", makeFormat(320, 240, 32), ICERR_OK},
                   {"8 bits", makeFormat(640, 480, 8), ICERR_BADFORMAT},
                   {"DRAV", makeCompressedFormat(640, 480, 16), ICERR_BADFORMAT},
                   {"top-down", makeFormat(640, -480, 32), ICERR_BADFORMAT},
                   {"oversized", makeFormat(65535, 65535, 32), ICERR_BADFORMAT}});
}

TEST_F(DecompressQuery, DisabledColourDepthConversionLeavesTwentyFourAndThirtyTwoBits) {
    storeSettingText("ColorDepthConversion", "1");
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(640, 480, 16);
    BitmapFormat sixteen = makeFormat(640, 480, 16);
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), sixteen.get()), ICERR_BADFORMAT);
    for (WORD depth : {24, 32}) {
        BitmapFormat output = makeFormat(640, 480, depth);
        EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), output.get()), ICERR_OK) << depth;
    }
    // Read at every query: allowing it again takes effect at once.
    storeSettingText("ColorDepthConversion", "0");
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), sixteen.get()), ICERR_OK);
}

TEST_F(DecompressQuery, DisabledResizingNeedsTheInputsSize) {
    storeSettingText("ResizingDisabled", "1");
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(640, 480, 16);
    BitmapFormat half = makeFormat(320, 240, 32);
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), half.get()), ICERR_BADFORMAT);
    BitmapFormat same = makeFormat(640, 480, 32);
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), same.get()), ICERR_OK);
    storeSettingText("ResizingDisabled", "");
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), half.get()), ICERR_BADFORMAT);
    removeSettingsKey();
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), half.get()), ICERR_OK);
}

TEST(DecompressGetFormat, ProposesTheInputsDepthAsRgb) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(640, 480, 16);
    input.header.biXPelsPerMeter = 1234;
    EXPECT_EQ(ICDecompressGetFormatSize(codec.get(), input.get()), 40);
    BitmapFormat proposed;
    std::memset(&proposed, POISON, sizeof(proposed));
    ASSERT_EQ(ICDecompressGetFormat(codec.get(), input.get(), proposed.get()), ICERR_OK);
    const BITMAPINFOHEADER& h = proposed.header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 640);
    EXPECT_EQ(h.biHeight, 480);
    EXPECT_EQ(h.biBitCount, 16);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 921600u);  // three bytes a pixel, more than the 614,400 of the rows
    EXPECT_EQ(h.biXPelsPerMeter, 1234);
    EXPECT_EQ(proposed.colors[0].rgbBlue, POISON);
}

using DecompressProposal = SettingsTest;

// What the proposal says for a DRAV stream of the size and depth.
BITMAPINFOHEADER decompressProposal(HIC codec, LONG width, LONG height, WORD bitCount) {
    BitmapFormat input = makeCompressedFormat(width, height, bitCount), proposed;
    EXPECT_EQ(ICDecompressGetFormat(codec, input.get(), proposed.get()), ICERR_OK);
    EXPECT_EQ(ICDecompressQuery(codec, input.get(), proposed.get()), ICERR_OK)
        << width << "x" << height << "x" << bitCount;
    return proposed.header;
}

TEST_F(DecompressProposal, ImageSizeHoldsThePaddedRows) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    EXPECT_EQ(decompressProposal(codec.get(), 1, 10, 16).biSizeImage, 40u);  // 4-byte rows, not 3 x 10
    BITMAPINFOHEADER odd = decompressProposal(codec.get(), 13, 7, 24);
    EXPECT_EQ(odd.biBitCount, 24);
    EXPECT_EQ(odd.biSizeImage, 280u);  // 40-byte rows, not 13 x 7 x 3
}

TEST_F(DecompressProposal, IsTwentyFourBitsWhereTheStreamsDepthIsNoOutput) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BITMAPINFOHEADER paletted = decompressProposal(codec.get(), 64, 48, 8);
    EXPECT_EQ(paletted.biBitCount, 24);
    EXPECT_EQ(paletted.biSizeImage, 64u * 48 * 3);
    storeSettingText("ColorDepthConversion", "1");
    BITMAPINFOHEADER highColour = decompressProposal(codec.get(), 5, 2, 16);
    EXPECT_EQ(highColour.biBitCount, 24);
    EXPECT_EQ(highColour.biSizeImage, 32u);  // 16-byte rows
}

TEST(DecompressGetFormat, PalettedProposalKeepsTheColourTable) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat input = makeCompressedFormat(64, 48, 8);
    input.header.biClrUsed = 256;
    input.colors[5] = RGBQUAD{1, 2, 3, 0};
    EXPECT_EQ(ICDecompressGetFormatSize(codec.get(), input.get()), 40 + 1024);
    BitmapFormat proposed;
    ASSERT_EQ(ICDecompressGetFormat(codec.get(), input.get(), proposed.get()), ICERR_OK);
    EXPECT_EQ(proposed.header.biBitCount, 24);
    EXPECT_EQ(proposed.colors[5].rgbRed, 3);
    EXPECT_EQ(ICDecompressQuery(codec.get(), input.get(), proposed.get()), ICERR_OK);
}

TEST(DecompressGetFormat, RefusesHeadersWhoseSizeCannotBeTrusted) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BitmapFormat manyColours = makeCompressedFormat(64, 48, 8);
    manyColours.header.biClrUsed = 0x40000000;  // 4 x biClrUsed wraps to 0
    EXPECT_EQ(LONG(ICDecompressGetFormatSize(codec.get(), manyColours.get())), ICERR_BADFORMAT);
    BitmapFormat hugeHeader = makeCompressedFormat(64, 48, 16);
    hugeHeader.header.biSize = 0x7FFFFFFF;
    EXPECT_EQ(LONG(ICDecompressGetFormatSize(codec.get(), hugeHeader.get())), ICERR_BADFORMAT);
    BitmapFormat shortHeader = makeCompressedFormat(64, 48, 16);
    shortHeader.header.biSize = 12;
    EXPECT_EQ(LONG(ICDecompressGetFormatSize(codec.get(), shortHeader.get())), ICERR_BADFORMAT);
}

}  // namespace
}  // namespace drav::test
