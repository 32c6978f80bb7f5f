// The handlers called directly, for what the compression manager cannot show:
// buffer sizes, the MMX decision, and the open record's handling.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "CodecStreams.h"
#include "DriverInstances.h"
#include "ProcessorTest.h"
#include "SettingsGuard.h"
#include "VcmTestSupport.h"
#include "codec/testing/stream_buffers.h"

namespace drav::test {
namespace {

// An instance opened and closed through the driver's own handlers.
class Instance {
public:
    Instance() {
        ICOPEN record{sizeof(ICOPEN), ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, 0, ICMODE_COMPRESS, 0, nullptr, nullptr, 0};
        id_ = DWORD_PTR(openDriver(&record));
    }
    ~Instance() { closeDriver(id_); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    CodecInstance& operator*() const { return *instanceFromId(id_); }
    CodecInstance* operator->() const { return instanceFromId(id_); }

private:
    DWORD_PTR id_;
};

TEST(ProcessorTest, FindsMmxOnThisProcessor) { EXPECT_TRUE(CpuHasMMX()); }

TEST(OpenDriver, StartsWithNoBuffersAndTheDefaultState) {
    Instance instance;
    ASSERT_NE(instance.operator->(), nullptr);
    EXPECT_EQ(instance->state, 2);
    EXPECT_EQ(instance->openFlags, DWORD(ICMODE_COMPRESS));
    EXPECT_EQ(StreamBuffers::workPicture(instance->decompressor), nullptr);
    EXPECT_EQ(StreamBuffers::stringTable(instance->compressor), nullptr);
    EXPECT_EQ(StreamBuffers::previousPicture(instance->compressor), nullptr);
    EXPECT_EQ(instance->maxCompressedSize, 0u);
}

using Streams = SettingsTest;

TEST_F(Streams, CompressionBuffersForTrueColour640x480) {
    storeSettingText("MMXDisabled", "1");
    Instance instance;
    BitmapFormat input = makeFormat(640, 480, 32), output = makeCompressedFormat(640, 480, 16);
    ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
    EXPECT_EQ(instance->compressor.pictureSize(), 1228800u);
    EXPECT_EQ(instance->maxCompressedSize, 922403u);
    EXPECT_EQ(instance->mmxEnabled, 0);
    EXPECT_NE(StreamBuffers::stringTable(instance->compressor), nullptr);
    EXPECT_NE(StreamBuffers::previousPalette(instance->compressor), nullptr);
}

TEST_F(Streams, MmxFollowsTheSettingAndTheProcessor) {
    Instance instance;
    BitmapFormat input = makeFormat(64, 48, 16), output = makeCompressedFormat(64, 48, 16);
    ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
    EXPECT_EQ(instance->mmxEnabled, 1);
    storeSettingText("MMXDisabled", "yes");
    BitmapFormat compressed = makeCompressedFormat(64, 48, 16), decompressed = makeFormat(64, 48, 32);
    ASSERT_EQ(decompressBegin(*instance, compressed.get(), decompressed.get()), ICERR_OK);
    EXPECT_EQ(instance->mmxEnabled, 0);
}

TEST_F(Streams, PalettedRowsArePaddedToFourBytes) {
    Instance instance;
    BitmapFormat input = makeFormat(641, 10, 8), output = makeCompressedFormat(641, 10, 8);
    ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
    EXPECT_EQ(instance->compressor.pictureSize(), 644u * 10);
}

TEST_F(Streams, DecompressionWorkPictureIsBorderedAndBlack) {
    Instance instance;
    BitmapFormat input = makeCompressedFormat(640, 480, 16), output = makeFormat(640, 480, 32);
    ASSERT_EQ(decompressBegin(*instance, input.get(), output.get()), ICERR_OK);
    EXPECT_EQ(StreamBuffers::workPictureStride(instance->decompressor), 1932u);
    ASSERT_EQ(StreamBuffers::workPictureSize(instance->decompressor), 935088u);
    const uint8_t* picture = StreamBuffers::workPicture(instance->decompressor);
    EXPECT_TRUE(std::all_of(picture, picture + StreamBuffers::workPictureSize(instance->decompressor),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_NE(StreamBuffers::palette(instance->decompressor), nullptr);
}

TEST_F(Streams, TwoBeginsAndOneEndLeaveNoBuffer) {
    Instance instance;
    BitmapFormat input = makeFormat(64, 48, 32), output = makeCompressedFormat(64, 48, 16);
    BitmapFormat compressed = makeCompressedFormat(64, 48, 16), decompressed = makeFormat(64, 48, 32);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
        ASSERT_EQ(decompressBegin(*instance, compressed.get(), decompressed.get()), ICERR_OK);
    }
    EXPECT_EQ(compressEnd(*instance), ICERR_OK);
    EXPECT_EQ(decompressEnd(*instance), ICERR_OK);
    EXPECT_EQ(StreamBuffers::stringTable(instance->compressor), nullptr);
    EXPECT_EQ(StreamBuffers::previousPicture(instance->compressor), nullptr);
    EXPECT_EQ(StreamBuffers::previousPalette(instance->compressor), nullptr);
    EXPECT_EQ(instance->compressor.pictureSize(), 0u);
    EXPECT_EQ(instance->maxCompressedSize, 0u);
    EXPECT_EQ(StreamBuffers::workPicture(instance->decompressor), nullptr);
    EXPECT_EQ(StreamBuffers::workPictureSize(instance->decompressor), 0u);
    EXPECT_EQ(StreamBuffers::palette(instance->decompressor), nullptr);
    EXPECT_EQ(StreamBuffers::workPictureStride(instance->decompressor), 204u);  // kept, as END leaves it
}

TEST_F(Streams, RefusedBeginKeepsTheRunningStream) {
    Instance instance;
    BitmapFormat input = makeFormat(64, 48, 32), output = makeCompressedFormat(64, 48, 16);
    ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
    const uint8_t* previous = StreamBuffers::previousPicture(instance->compressor);
    BitmapFormat refused = makeFormat(64, 48, 24);
    EXPECT_EQ(compressBegin(*instance, refused.get(), output.get()), ICERR_BADFORMAT);
    EXPECT_EQ(StreamBuffers::previousPicture(instance->compressor), previous);
    EXPECT_EQ(instance->compressor.pictureSize(), 64u * 48 * 4);
}

// The colour table is found at biSize: only the published header sizes are believed.
TEST_F(Streams, FrameHeaderThatMisplacesTheColourTableIsRefused) {
    Instance instance;
    BitmapFormat input = makeFormat(4, 4, 8), output = makeCompressedFormat(4, 4, 8);
    ASSERT_EQ(compressBegin(*instance, input.get(), output.get()), ICERR_OK);
    std::vector<uint8_t> picture(16), frame(instance->maxCompressedSize);
    DWORD flags = 0;
    ICCOMPRESS request{0, output.get(), frame.data(), input.get(), picture.data(), nullptr, &flags, 0, 0,
                       0, nullptr,      nullptr};
    for (DWORD size : {39u, 125u, 0x7FFFFFFFu}) {
        input.header.biSize = size;
        output.header.biSizeImage = 1234;
        EXPECT_EQ(compressOneFrame(*instance, &request), ICERR_ERROR) << size;
        EXPECT_EQ(output.header.biSizeImage, 0u);
    }
    input.header.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(compressOneFrame(*instance, &request), ICERR_OK);
}

}  // namespace
}  // namespace drav::test
