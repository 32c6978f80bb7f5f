// The message table as seen through msvfw32: opening, information, state,
// constant answers and the fallbacks for unlisted messages.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>

#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr UINT UNLISTED_COMPRESSION_MESSAGE = 0x4023;

TEST(DriverOpen, OpensForEveryModeThroughTheCompressionManager) {
    for (UINT mode : {ICMODE_COMPRESS, ICMODE_DECOMPRESS, ICMODE_QUERY}) {
        OpenCodec codec(mode);
        EXPECT_NE(codec.get(), nullptr) << "mode " << mode;
    }
}

TEST(DriverOpen, LocatesTheCompressorForA32BitPicture) {
    BitmapFormat input = makeFormat(64, 48, 32);
    HIC hic = ICLocate(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, input.get(), nullptr, ICMODE_COMPRESS);
    ASSERT_NE(hic, nullptr);
    ICClose(hic);
}

TEST(DriverInfo, DescribesTheCodec) {
    OpenCodec codec(ICMODE_QUERY);
    ICINFO info;
    std::memset(&info, POISON, sizeof(info));
    ASSERT_EQ(ICGetInfo(codec.get(), &info, sizeof(info)), sizeof(ICINFO));
    EXPECT_EQ(info.dwSize, 568u);
    EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
    EXPECT_EQ(info.fccHandler, FOURCC_DRAV_HANDLER);
    EXPECT_EQ(info.dwFlags, 0xA4u);
    EXPECT_EQ(info.dwVersion, 0x10000u);
    EXPECT_EQ(info.dwVersionICM, 0x104u);
    EXPECT_STREQ(info.szName, L"ZIR Codec");
    EXPECT_STREQ(info.szDescription, L"Drevantic");
}

TEST(DriverInfo, AnswersTheRecordSizeAndRefusesShortRecords) {
    OpenCodec codec(ICMODE_QUERY);
    EXPECT_EQ(codec.send(ICM_GETINFO, 0, 0), 568);
    ICINFO info;
    std::memset(&info, POISON, sizeof(info));
    EXPECT_EQ(codec.send(ICM_GETINFO, DWORD_PTR(&info), 567), 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&info);
    for (size_t i = 0; i < sizeof(info); ++i) ASSERT_EQ(bytes[i], POISON) << "byte " << i;
}

TEST(DriverState, StartsAtTwoAndRoundTripsTwoBytes) {
    OpenCodec codec(ICMODE_COMPRESS);
    EXPECT_EQ(codec.send(ICM_GETSTATE, 0, 0), 2);
    uint8_t state[4] = {POISON, POISON, POISON, POISON};
    EXPECT_EQ(codec.send(ICM_GETSTATE, DWORD_PTR(state), 1), 0);
    EXPECT_EQ(state[0], POISON);
    ASSERT_EQ(codec.send(ICM_GETSTATE, DWORD_PTR(state), sizeof(state)), 2);
    EXPECT_EQ(state[0], 2);
    EXPECT_EQ(state[1], 0);
    EXPECT_EQ(state[2], POISON);

    const uint8_t newState[2] = {0x34, 0x12};
    EXPECT_EQ(codec.send(ICM_SETSTATE, DWORD_PTR(newState), 2), 2);
    uint8_t readBack[2] = {};
    ASSERT_EQ(codec.send(ICM_GETSTATE, DWORD_PTR(readBack), 2), 2);
    EXPECT_EQ(readBack[0], 0x34);
    EXPECT_EQ(readBack[1], 0x12);
}

TEST(DriverState, ShortSetLeavesTheStateAndNullResetsIt) {
    OpenCodec codec(ICMODE_COMPRESS);
    const uint8_t newState[2] = {0x34, 0x12};
    ASSERT_EQ(codec.send(ICM_SETSTATE, DWORD_PTR(newState), 2), 2);
    EXPECT_EQ(codec.send(ICM_SETSTATE, DWORD_PTR(newState), 1), 0);
    uint8_t readBack[2] = {};
    codec.send(ICM_GETSTATE, DWORD_PTR(readBack), 2);
    EXPECT_EQ(readBack[0], 0x34);

    EXPECT_EQ(codec.send(ICM_SETSTATE, 0, 0), 2);
    codec.send(ICM_GETSTATE, DWORD_PTR(readBack), 2);
    EXPECT_EQ(readBack[0], 2);
    EXPECT_EQ(readBack[1], 0);
}

TEST(DriverState, InstancesKeepTheirOwnState) {
    OpenCodec first(ICMODE_COMPRESS), second(ICMODE_DECOMPRESS);
    const uint8_t newState[2] = {7, 0};
    first.send(ICM_SETSTATE, DWORD_PTR(newState), 2);
    uint8_t readBack[2] = {};
    second.send(ICM_GETSTATE, DWORD_PTR(readBack), 2);
    EXPECT_EQ(readBack[0], 2);
}

TEST(DriverMessages, KeyFrameRateIsOneHundred) {
    OpenCodec codec(ICMODE_COMPRESS);
    DWORD rate = 0;
    EXPECT_EQ(codec.send(ICM_GETDEFAULTKEYFRAMERATE, DWORD_PTR(&rate), sizeof(rate)), ICERR_OK);
    EXPECT_EQ(rate, 100u);
    EXPECT_EQ(codec.send(ICM_GETDEFAULTKEYFRAMERATE, 0, 0), ICERR_UNSUPPORTED);
}

TEST(DriverMessages, ConstantAnswers) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    for (UINT drawing :
         {ICM_DRAW_BEGIN, ICM_DRAW_START, ICM_DRAW_STOP, ICM_DRAW_END, ICM_DRAW_QUERY, ICM_DRAW, ICM_DRAW_WINDOW}) {
        EXPECT_EQ(codec.send(drawing), ICERR_ERROR) << std::hex << drawing;
    }
    for (UINT quality : {ICM_GETDEFAULTQUALITY, ICM_GETQUALITY, ICM_SETQUALITY}) {
        EXPECT_EQ(codec.send(quality), ICERR_UNSUPPORTED) << std::hex << quality;
    }
    uint8_t palette[1064];
    std::memset(palette, POISON, sizeof(palette));
    BitmapFormat input = makeCompressedFormat(64, 48, 8);
    EXPECT_EQ(codec.send(ICM_DECOMPRESS_GET_PALETTE, DWORD_PTR(input.get()), DWORD_PTR(palette)), ICERR_BADFORMAT);
    EXPECT_EQ(palette[0], POISON);
    EXPECT_EQ(codec.send(ICM_DECOMPRESS_GET_PALETTE), ICERR_BADFORMAT);
}

TEST(DriverMessages, UnlistedCompressionMessagesAreUnsupported) {
    OpenCodec codec(ICMODE_COMPRESS);
    for (UINT message : {UNLISTED_COMPRESSION_MESSAGE, UINT(ICM_DECOMPRESS_SET_PALETTE), UINT(ICM_DRAW_GET_PALETTE),
                         UINT(ICM_DRAW_UPDATE), UINT(ICM_GETBUFFERSWANTED), UINT(ICM_COMPRESS_FRAMES_INFO),
                         UINT(ICM_DECOMPRESSEX_BEGIN), UINT(ICM_DECOMPRESSEX), UINT(ICM_GETERRORTEXT), 0x7FFFu}) {
        EXPECT_EQ(codec.send(message), ICERR_UNSUPPORTED) << std::hex << message;
    }
}

TEST(DriverMessages, DriverMessagesAnswerOneAndUnlistedOnesGoToTheDefault) {
    OpenCodec codec(ICMODE_COMPRESS);
    for (UINT message : {DRV_ENABLE, DRV_QUERYCONFIGURE, DRV_INSTALL, DRV_REMOVE}) {
        EXPECT_EQ(codec.send(message), 1) << message;
    }
    // DefDriverProc answers 0 for messages it does not know.
    EXPECT_EQ(codec.send(DRV_POWER), 0);
    EXPECT_EQ(codec.send(DRV_RESERVED), 0);
}

TEST(DriverMessages, DialogQueriesAnswerWithoutShowingAnything) {
    OpenCodec codec(ICMODE_COMPRESS);
    EXPECT_TRUE(ICQueryConfigure(codec.get()));
    EXPECT_TRUE(ICQueryAbout(codec.get()));
    EXPECT_EQ(codec.send(ICM_CONFIGURE, DWORD_PTR(-1), ICMF_CONFIGURE_QUERY), ICERR_OK);
    EXPECT_EQ(codec.send(ICM_ABOUT, DWORD_PTR(-1), ICMF_ABOUT_QUERY), ICERR_OK);
}

}  // namespace
}  // namespace drav::test
