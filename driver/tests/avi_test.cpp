// Real clients of the codec: avifil32 writes AVI files of real screen frames
// through the driver and plays them back through it. The files stay in the
// test directory for the ffprobe check.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>

#include "CorpusFrames.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr DWORD KEY_FRAME_EVERY = 5;
constexpr DWORD FOURCC_WATCHED = mmioFOURCC('D', 'R', 'V', 'W');

class AviFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AVIFileInit(); }
    static void TearDownTestSuite() { AVIFileExit(); }

    static CorpusClip load(const std::string& clip, int bitsPerPixel, size_t count) {
        std::string error;
        CorpusClip frames = loadCorpusClip(clip, bitsPerPixel, count, error);
        EXPECT_EQ(error, "");
        return frames;
    }

    static AVISTREAMINFOA videoStreamInfo(const CorpusClip& clip, DWORD handler) {
        AVISTREAMINFOA info{};
        info.fccType = streamtypeVIDEO;
        info.fccHandler = handler;
        info.dwScale = clip.scale;
        info.dwRate = clip.rate;
        info.dwSuggestedBufferSize = clip.format.biSizeImage;
        SetRect(&info.rcFrame, 0, 0, clip.format.biWidth, clip.format.biHeight);
        return info;
    }

    static AVICOMPRESSOPTIONS compressOptions(DWORD handler) {
        AVICOMPRESSOPTIONS options{};
        options.fccType = streamtypeVIDEO;
        options.fccHandler = handler;
        options.dwKeyFrameEvery = KEY_FRAME_EVERY;
        options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES;
        return options;
    }

    // Writes the clip through AVIMakeCompressedStream; `afterEachFrame` runs
    // after every AVIStreamWrite with the frame's index.
    template <typename AfterEachFrame>
    static void writeCompressed(const char* path, const CorpusClip& clip, DWORD handler,
                                AfterEachFrame afterEachFrame) {
        PAVIFILE file = nullptr;
        DeleteFileA(path);
        ASSERT_EQ(AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
        AVISTREAMINFOA info = videoStreamInfo(clip, handler);
        PAVISTREAM stream = nullptr, compressed = nullptr;
        ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
        AVICOMPRESSOPTIONS options = compressOptions(handler);
        ASSERT_EQ(AVIMakeCompressedStream(&compressed, stream, &options, nullptr), AVIERR_OK);
        std::vector<uint8_t> format = clip.streamFormat();
        ASSERT_EQ(AVIStreamSetFormat(compressed, 0, format.data(), LONG(format.size())), AVIERR_OK);
        for (size_t i = 0; i < clip.frames.size(); ++i) {
            const std::vector<uint8_t>& frame = clip.frames[i];
            ASSERT_EQ(AVIStreamWrite(compressed, LONG(i), 1, const_cast<uint8_t*>(frame.data()), LONG(frame.size()), 0,
                                     nullptr, nullptr),
                      AVIERR_OK)
                << "frame " << i;
            afterEachFrame(i);
        }
        AVIStreamRelease(compressed);
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }

    // An uncompressed file of the clip, the source of AVISaveV.
    static void writeUncompressed(const char* path, const CorpusClip& clip) {
        PAVIFILE file = nullptr;
        DeleteFileA(path);
        ASSERT_EQ(AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
        AVISTREAMINFOA info = videoStreamInfo(clip, 0);
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
        std::vector<uint8_t> format = clip.streamFormat();
        ASSERT_EQ(AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size())), AVIERR_OK);
        for (size_t i = 0; i < clip.frames.size(); ++i) {
            ASSERT_EQ(AVIStreamWrite(stream, LONG(i), 1, const_cast<uint8_t*>(clip.frames[i].data()),
                                     LONG(clip.frames[i].size()), AVIIF_KEYFRAME, nullptr, nullptr),
                      AVIERR_OK);
        }
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }

    // Plays the file back through the driver and hands each decoded picture
    // (rows as a DIB stores them) to `check`.
    template <typename Check>
    static void playBack(const char* path, const BITMAPINFOHEADER* wanted, size_t frames, Check check) {
        PAVIFILE file = nullptr;
        ASSERT_EQ(AVIFileOpenA(&file, path, OF_READ, nullptr), AVIERR_OK);
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
        EXPECT_EQ(AVIStreamLength(stream), LONG(frames));
        PGETFRAME decoder = AVIStreamGetFrameOpen(stream, const_cast<BITMAPINFOHEADER*>(wanted));
        ASSERT_NE(decoder, nullptr);
        for (size_t i = 0; i < frames; ++i) {
            auto* picture = static_cast<BITMAPINFOHEADER*>(AVIStreamGetFrame(decoder, LONG(i)));
            ASSERT_NE(picture, nullptr) << "frame " << i;
            const uint8_t* bits =
                reinterpret_cast<const uint8_t*>(picture) + picture->biSize + picture->biClrUsed * sizeof(RGBQUAD);
            ASSERT_NO_FATAL_FAILURE(check(i, *picture, bits));
        }
        AVIStreamGetFrameClose(decoder);
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }

    static void expectKeyFrames(const char* path, size_t frames) {
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIStreamOpenFromFileA(&stream, path, streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
        for (size_t i = 0; i < frames; ++i) {
            EXPECT_EQ(bool(AVIStreamIsKeyFrame(stream, LONG(i))), i % KEY_FRAME_EVERY == 0) << "frame " << i;
        }
        AVIStreamRelease(stream);
    }
};

TEST_F(AviFiles, HighColourRecordingPlaysBackBitForBit) {
    const char* path = "recording-rgb555.avi";
    CorpusClip clip = load(lastCorpusClip(16), 16, 24);
    ASSERT_FALSE(clip.frames.empty());
    ASSERT_NO_FATAL_FAILURE(writeCompressed(path, clip, FOURCC_DRAV_HANDLER, [](size_t) {}));
    expectKeyFrames(path, clip.frames.size());
    // No format asked for: the driver's proposal, 16 bits, is used.
    playBack(path, nullptr, clip.frames.size(), [&](size_t i, const BITMAPINFOHEADER& picture, const uint8_t* bits) {
        ASSERT_EQ(picture.biBitCount, 16);
        ASSERT_EQ(picture.biWidth, clip.format.biWidth);
        ASSERT_EQ(picture.biHeight, clip.format.biHeight);
        // Every row's pixels; the padding that ends a row of an odd width holds nothing.
        const size_t rowBytes = size_t(clip.format.biWidth) * 2, stride = (rowBytes + 3) / 4 * 4;
        for (size_t y = 0; y < size_t(clip.format.biHeight); ++y)
            ASSERT_EQ(std::memcmp(bits + y * stride, clip.frames[i].data() + y * stride, rowBytes), 0)
                << "frame " << i << " row " << y;
    });
}

TEST_F(AviFiles, TrueColourRecordingSavedWithAviSaveKeepsFiveBitsPerChannel) {
    const char* source = "recording-bgr0-uncompressed.avi";
    const char* path = "recording-bgr0.avi";
    CorpusClip clip = load(firstCorpusClip(32), 32, 12);
    ASSERT_FALSE(clip.frames.empty());
    ASSERT_NO_FATAL_FAILURE(writeUncompressed(source, clip));
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&stream, source, streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    AVICOMPRESSOPTIONS options = compressOptions(FOURCC_DRAV_HANDLER);
    AVICOMPRESSOPTIONS* optionList[] = {&options};
    DeleteFileA(path);
    EXPECT_EQ(AVISaveVA(path, nullptr, nullptr, 1, &stream, optionList), AVIERR_OK);
    AVIStreamRelease(stream);
    DeleteFileA(source);
    expectKeyFrames(path, clip.frames.size());

    BITMAPINFOHEADER wanted = clip.format;
    playBack(path, &wanted, clip.frames.size(), [&](size_t i, const BITMAPINFOHEADER& picture, const uint8_t* bits) {
        ASSERT_EQ(picture.biBitCount, 32);
        const std::vector<uint8_t>& original = clip.frames[i];
        for (size_t b = 0; b < original.size(); ++b) {
            if (b % 4 == 3) continue;  // unused fourth byte
            ASSERT_EQ(bits[b] >> 3, original[b] >> 3) << "frame " << i << " byte " << b;
        }
    });
}

TEST_F(AviFiles, PalettedRecordingPlaysBackInItsColours) {
    const char* path = "recording-pal8.avi";
    CorpusClip clip = load(lastCorpusClip(8), 8, 12);
    ASSERT_FALSE(clip.frames.empty());
    ASSERT_NO_FATAL_FAILURE(writeCompressed(path, clip, FOURCC_DRAV_HANDLER, [](size_t) {}));
    BITMAPINFOHEADER wanted = makeFormat(clip.format.biWidth, clip.format.biHeight, 32).header;
    playBack(path, &wanted, clip.frames.size(), [&](size_t i, const BITMAPINFOHEADER& picture, const uint8_t* bits) {
        ASSERT_EQ(picture.biBitCount, 32);
        const size_t width = size_t(clip.format.biWidth), indexRow = (width + 3) / 4 * 4;
        for (size_t y = 0; y < size_t(clip.format.biHeight); ++y)
            for (size_t x = 0; x < width; ++x) {
                const RGBQUAD& colour = clip.colors[clip.frames[i][y * indexRow + x]];
                const uint8_t* got = bits + (y * width + x) * 4;
                ASSERT_TRUE(got[0] == colour.rgbBlue && got[1] == colour.rgbGreen && got[2] == colour.rgbRed)
                    << "frame " << i << " row " << y << " pixel " << x;
            }
    });
}

// A driver procedure installed with ICInstall that passes every message on to
// the real driver (opened through ICOpen) and records the frames it returns.
struct FrameWatch {
    std::vector<DWORD> frameSizes;
    std::vector<LRESULT> frameResults;
};
FrameWatch* watch = nullptr;

LRESULT CALLBACK watchingDriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case DRV_LOAD:
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_FREE: return 1;
        case DRV_OPEN: {
            auto* open = reinterpret_cast<ICOPEN*>(lParam2);
            if (!open) return LRESULT(0xFFFF0000);
            return LRESULT(ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, open->dwFlags));
        }
        case DRV_CLOSE:
            if (id && id != 0xFFFF0000) ICClose(reinterpret_cast<HIC>(id));
            return 1;
        default: break;
    }
    if (message < ICM_USER) return DefDriverProc(id, driver, message, lParam1, lParam2);
    LRESULT result = ICSendMessage(reinterpret_cast<HIC>(id), message, DWORD_PTR(lParam1), DWORD_PTR(lParam2));
    if (message == ICM_COMPRESS && watch) {
        watch->frameResults.push_back(result);
        watch->frameSizes.push_back(reinterpret_cast<ICCOMPRESS*>(lParam1)->lpbiOutput->biSizeImage);
    }
    return result;
}

TEST_F(AviFiles, EveryFrameWrittenComesOutAtOnce) {
    ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, FOURCC_WATCHED, LPARAM(watchingDriverProc), nullptr, ICINSTALL_FUNCTION));
    FrameWatch frames;
    watch = &frames;
    const char* path = "recording-watched.avi";
    CorpusClip clip = load(lastCorpusClip(16), 16, 12);
    ASSERT_FALSE(clip.frames.empty());
    writeCompressed(path, clip, FOURCC_WATCHED, [&](size_t i) {
        ASSERT_EQ(frames.frameResults.size(), i + 1) << "frame " << i << " was not compressed when written";
        EXPECT_EQ(frames.frameResults[i], ICERR_OK);
        EXPECT_GT(frames.frameSizes[i], 0u);
    });
    watch = nullptr;
    ICRemove(ICTYPE_VIDEO, FOURCC_WATCHED, 0);

    // The file holds exactly the frames the driver returned, in order.
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&stream, path, streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    for (size_t i = 0; i < frames.frameSizes.size(); ++i) {
        LONG bytes = 0;
        AVIStreamRead(stream, LONG(i), 1, nullptr, 0, &bytes, nullptr);
        EXPECT_EQ(DWORD(bytes), frames.frameSizes[i]) << "frame " << i;
    }
    AVIStreamRelease(stream);
    DeleteFileA(path);
}

}  // namespace
}  // namespace drav::test
