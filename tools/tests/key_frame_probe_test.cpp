#include "key_frame_probe.h"

#include <gtest/gtest.h>

#include "test_pictures.h"

namespace drav::tool {
namespace {

using Verdict = KeyFrameProbe::Verdict;

// What the probe says of the second of two frames, a key frame and the frame
// that follows it; change turns the first picture into the second.
Verdict verdictOnSecond(unsigned bitCount, bool keyFrame, void (*change)(DibPicture&), bool damage = false) {
    DibPicture picture = test::makeRandomDib(40, 30, bitCount, 3);
    CompressionStream stream(picture.info.header);
    test::compressInto(stream, picture, true);
    change(picture);
    test::StoredTestFrame frame = test::compressInto(stream, picture, keyFrame);
    if (damage) frame.bytes[frame.bytes.size() / 2] ^= 0x40;
    KeyFrameProbe probe(pictureFormatOf(stream.compressedFormat()));
    return probe.classify(frame.bytes.data(), uint32_t(frame.bytes.size()));
}

void nothing(DibPicture&) {}
void corners(DibPicture& picture) {  // the rectangle covers the picture, its middle unchanged
    picture.pixels.front() ^= 0x1F;
    picture.pixels.back() ^= 0x1F;
}
void everyPixel(DibPicture& picture) {  // 16-bit pixels: the low byte; 8-bit: the index
    for (size_t i = 0; i < picture.pixels.size(); i += picture.info.header.biBitCount / 8) picture.pixels[i] ^= 0x1F;
}
void everyPixelAndColour(DibPicture& picture) {
    everyPixel(picture);
    for (RGBQUAD& colour : picture.info.colors) colour.rgbRed ^= 0x80;
}

// A delta frame that covers the whole picture is told by what it keeps of the
// picture before it; one that keeps nothing rebuilds the picture like a key
// frame, and decoding may start there.
TEST(KeyFrameProbe, TellsKeyFramesByWhatTheyKeep) {
    struct Case {
        const char* what;
        unsigned bitCount;
        bool keyFrame;
        void (*change)(DibPicture&);
        Verdict verdict;
    };
    for (const Case& c : {
             Case{"16-bit key frame", 16, true, nothing, Verdict::Key},
             Case{"8-bit key frame", 8, true, nothing, Verdict::Key},
             Case{"a delta frame changing nothing", 16, false, nothing, Verdict::Delta},
             Case{"a delta frame covering the picture, its middle kept", 16, false, corners, Verdict::Delta},
             Case{"a delta frame changing every pixel", 16, false, everyPixel, Verdict::Key},
             Case{"an 8-bit delta frame changing every pixel, not the palette", 8, false, everyPixel, Verdict::Delta},
             Case{"an 8-bit delta frame changing every pixel and colour", 8, false, everyPixelAndColour, Verdict::Key},
         })
        EXPECT_EQ(verdictOnSecond(c.bitCount, c.keyFrame, c.change), c.verdict) << c.what;
    EXPECT_EQ(verdictOnSecond(16, true, nothing, true), Verdict::Unknown) << "a damaged key frame";
}

}  // namespace
}  // namespace drav::tool
