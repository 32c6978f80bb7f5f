// The driver as recording and playback programs reach it through msvfw32:
// sequential compression into the buffers msvfw32 sizes from the proposed
// format, and single pictures decompressed into the proposed format.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CorpusFrames.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

// Every heap of the process is consistent: nothing wrote over a block's end.
bool heapsIntact() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) return false;
    return true;
}

// Pictures of one format, the input of a recording.
struct Footage {
    std::string what;
    BitmapFormat format;
    std::vector<std::vector<uint8_t>> pictures;
};

Footage noiseFootage(LONG width, LONG height, WORD bitCount, size_t count) {
    Footage footage{std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bitCount) + " noise",
                    makeFormat(width, height, bitCount),
                    {}};
    for (size_t i = 0; i < count; ++i) footage.pictures.push_back(noisePicture(footage.format.header, uint32_t(i + 1)));
    return footage;
}

Footage corpusFootage(const std::string& clip, int bitCount, size_t count) {
    std::string error;
    CorpusClip frames = loadCorpusClip(clip, bitCount, count, error);
    EXPECT_EQ(error, "");
    Footage footage{clip + " at " + std::to_string(bitCount) + " bits", {}, std::move(frames.frames)};
    footage.format.header = frames.format;
    std::memcpy(footage.format.colors, frames.colors, sizeof(frames.colors));
    return footage;
}

// What a capture program gets from ICSeqCompressFrame: the format msvfw32 was
// proposed, from which it sized its frame buffers, and the frames.
struct Recording {
    BITMAPINFOHEADER proposal{};
    std::vector<std::vector<uint8_t>> frames;
};

Recording recordAsACaptureProgramDoes(Footage& footage, LONG keyFrameEvery) {
    Recording recording;
    COMPVARS vars{};
    vars.cbSize = sizeof(vars);
    vars.dwFlags = ICMF_COMPVARS_VALID;
    vars.hic = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, ICMODE_COMPRESS);
    vars.fccType = ICTYPE_VIDEO;
    vars.fccHandler = FOURCC_DRAV_HANDLER;
    vars.lKey = keyFrameEvery;
    vars.lQ = ICQUALITY_DEFAULT;
    EXPECT_TRUE(ICSeqCompressFrameStart(&vars, reinterpret_cast<BITMAPINFO*>(footage.format.get())));
    if (vars.lpbiOut) recording.proposal = vars.lpbiOut->bmiHeader;  // frames overwrite its biSizeImage
    for (size_t i = 0; i < footage.pictures.size() && vars.lpState; ++i) {
        BOOL keyFrame = FALSE;
        LONG size = -1;
        auto* frame =
            static_cast<const uint8_t*>(ICSeqCompressFrame(&vars, 0, footage.pictures[i].data(), &keyFrame, &size));
        if (!frame) {
            ADD_FAILURE() << "frame " << i << " failed";
            break;
        }
        // msvfw32's frame buffers hold the proposal's biSizeImage bytes.
        EXPECT_LE(DWORD(size), recording.proposal.biSizeImage) << "frame " << i;
        recording.frames.emplace_back(frame, frame + size);
    }
    ICSeqCompressFrameEnd(&vars);
    ICCompressorFree(&vars);
    return recording;
}

// One pixel's blue, green and red as 8-bit values; 16-bit pixels give their
// 5-bit fields in the top bits.
struct Colour {
    uint8_t blue, green, red;
};

Colour pixelAt(const BITMAPINFOHEADER& format, const RGBQUAD* colours, const uint8_t* bits, LONG x, LONG y) {
    const uint8_t* row = bits + dibPictureBytes(format) / size_t(format.biHeight) * size_t(y);
    switch (format.biBitCount) {
        case 8: {
            const RGBQUAD& c = colours[row[x]];
            return {c.rgbBlue, c.rgbGreen, c.rgbRed};
        }
        case 16: {
            unsigned v = row[2 * x] | row[2 * x + 1] << 8;
            return {uint8_t((v & 31) << 3), uint8_t((v >> 5 & 31) << 3), uint8_t((v >> 10 & 31) << 3)};
        }
        default: {
            const uint8_t* p = row + x * (format.biBitCount / 8);
            return {p[0], p[1], p[2]};
        }
    }
}

// True when the decoded picture shows the input: colours of paletted input
// exactly, others at the five bits per channel the codec keeps.
bool showsTheInput(const BitmapFormat& input, const uint8_t* inputBits, const BITMAPINFOHEADER& decodedFormat,
                   const uint8_t* decodedBits, std::string& where) {
    const unsigned mask = input.header.biBitCount == 8 && decodedFormat.biBitCount != 16 ? 0xFF : 0xF8;
    for (LONG y = 0; y < input.header.biHeight; ++y)
        for (LONG x = 0; x < input.header.biWidth; ++x) {
            Colour want = pixelAt(input.header, input.colors, inputBits, x, y);
            Colour got = pixelAt(decodedFormat, nullptr, decodedBits, x, y);
            if (((want.blue ^ got.blue) | (want.green ^ got.green) | (want.red ^ got.red)) & mask) {
                where = "pixel " + std::to_string(x) + "," + std::to_string(y);
                return false;
            }
        }
    return true;
}

// Plays a recording back in order into 32-bit pictures and compares each
// with the footage.
void expectPlaysBack(Footage& footage, Recording& recording) {
    OpenCodec codec(ICMODE_DECOMPRESS);
    BITMAPINFOHEADER compressed = recording.proposal;
    BitmapFormat output = makeFormat(footage.format.header.biWidth, footage.format.header.biHeight, 32);
    ASSERT_EQ(ICDecompressBegin(codec.get(), &compressed, output.get()), ICERR_OK);
    for (size_t i = 0; i < recording.frames.size(); ++i) {
        PoisonedBuffer picture(dibPictureBytes(output.header));
        compressed.biSizeImage = DWORD(recording.frames[i].size());
        ASSERT_EQ(ICDecompress(codec.get(), 0, &compressed, recording.frames[i].data(), output.get(), picture.data()),
                  DWORD(ICERR_OK))
            << "frame " << i;
        std::string where;
        EXPECT_TRUE(showsTheInput(footage.format, footage.pictures[i].data(), output.header, picture.data(), where))
            << "frame " << i << " " << where;
        EXPECT_TRUE(picture.guardIntact());
    }
    ICDecompressEnd(codec.get());
}

void recordAndPlayBack(Footage footage, LONG keyFrameEvery) {
    SCOPED_TRACE(footage.what);
    ASSERT_FALSE(footage.pictures.empty());
    Recording recording = recordAsACaptureProgramDoes(footage, keyFrameEvery);
    EXPECT_TRUE(heapsIntact());
    ASSERT_EQ(recording.frames.size(), footage.pictures.size());
    expectPlaysBack(footage, recording);
}

TEST(SequentialCompression, NoiseFitsTheBuffersSizedFromTheProposal) {
    // Each case would overflow an 8 KiB or input-sized buffer.
    recordAndPlayBack(noiseFootage(64, 64, 16, 5), 2);
    recordAndPlayBack(noiseFootage(200, 120, 8, 4), 3);
    recordAndPlayBack(noiseFootage(37, 29, 32, 4), 2);
    recordAndPlayBack(noiseFootage(1, 1, 8, 3), 2);
    recordAndPlayBack(noiseFootage(3, 70, 16, 3), 100);
}

TEST(SequentialCompression, ScreenFramesPlayBack) {
    recordAndPlayBack(corpusFootage(lastCorpusClip(16), 16, 6), 4);
    recordAndPlayBack(corpusFootage(lastCorpusClip(8), 8, 6), 4);
    recordAndPlayBack(corpusFootage(firstCorpusClip(32), 32, 4), 2);
}

// A key frame of noise with the stream format labelled `streamBitCount`;
// the frame itself does not depend on that label.
std::vector<uint8_t> noiseKeyFrame(BitmapFormat& input, WORD streamBitCount, std::vector<uint8_t>& picture) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat compressed = makeCompressedFormat(input.header.biWidth, input.header.biHeight, streamBitCount);
    EXPECT_EQ(ICCompressBegin(codec.get(), input.get(), compressed.get()), ICERR_OK);
    picture = noisePicture(input.header, 9);
    CompressedFrame frame = compressOne(codec.get(), input.header, picture, compressed.header, true, 0);
    EXPECT_EQ(frame.status, ICERR_OK);
    return frame.bytes;
}

// As ICImageDecompress and IGetFrame do without an output format: the proposal,
// then header, colours and the proposal's biSizeImage in one block.
TEST(SingleImageDecompression, FillsExactlyTheProposedImageSize) {
    struct Case {
        WORD inputBitCount, streamBitCount;
    };
    struct Size {
        LONG width, height;
    };
    for (Case c : {Case{8, 8}, Case{16, 16}, Case{32, 24}})
        for (Size size : {Size{1, 10}, Size{13, 7}, Size{61, 37}, Size{2, 1}}) {
            SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << ", stream of " << c.streamBitCount);
            BitmapFormat input = makeFormat(size.width, size.height, c.inputBitCount);
            std::vector<uint8_t> picture;
            std::vector<uint8_t> frame = noiseKeyFrame(input, c.streamBitCount, picture);
            BitmapFormat compressed = makeCompressedFormat(size.width, size.height, c.streamBitCount);
            compressed.header.biSizeImage = DWORD(frame.size());

            OpenCodec codec(ICMODE_DECOMPRESS);
            LRESULT formatSize = ICDecompressGetFormatSize(codec.get(), compressed.get());
            ASSERT_GE(formatSize, LRESULT(sizeof(BITMAPINFOHEADER)));
            PoisonedBuffer block{size_t(formatSize)};
            auto* proposal = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
            ASSERT_EQ(ICDecompressGetFormat(codec.get(), compressed.get(), proposal), ICERR_OK);
            ASSERT_TRUE(block.guardIntact());
            const BITMAPINFOHEADER format = *proposal;

            PoisonedBuffer bits(format.biSizeImage);
            ASSERT_EQ(ICDecompressBegin(codec.get(), compressed.get(), &format), ICERR_OK);
            ASSERT_EQ(ICDecompress(codec.get(), 0, compressed.get(), frame.data(),
                                   const_cast<BITMAPINFOHEADER*>(&format), bits.data()),
                      DWORD(ICERR_OK));
            EXPECT_TRUE(bits.guardIntact());
            std::string where;
            EXPECT_TRUE(showsTheInput(input, picture.data(), format, bits.data(), where)) << where;

            // The system's own function shows the same picture.
            HANDLE packed = ICImageDecompress(codec.get(), 0, reinterpret_cast<BITMAPINFO*>(compressed.get()),
                                              frame.data(), nullptr);
            ASSERT_NE(packed, nullptr);
            auto* dib = static_cast<const BITMAPINFOHEADER*>(GlobalLock(packed));
            EXPECT_EQ(dib->biBitCount, format.biBitCount);
            const auto* dibBits = reinterpret_cast<const uint8_t*>(dib) + dib->biSize + 4 * dib->biClrUsed;
            EXPECT_TRUE(showsTheInput(input, picture.data(), *dib, dibBits, where)) << where;
            GlobalUnlock(packed);
            GlobalFree(packed);
            EXPECT_TRUE(heapsIntact());
        }
}

}  // namespace
}  // namespace drav::test
