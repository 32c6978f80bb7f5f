#include "VcmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace drav::test {

BitmapFormat makeFormat(LONG width, LONG height, WORD bitCount, DWORD compression) {
    BitmapFormat format{};
    format.header = host::dibHeader(width, height, bitCount, compression);
    if (bitCount == 8) {
        format.header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) format.colors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    }
    return format;
}

BitmapFormat makeCompressedFormat(LONG width, LONG height, WORD bitCount) {
    BitmapFormat format = makeFormat(width, height, bitCount, FOURCC_DRAV_FORMAT);
    format.header.biClrUsed = 0;
    return format;
}

std::vector<uint8_t> patternPicture(const BITMAPINFOHEADER& format, unsigned seed) {
    std::vector<uint8_t> picture(dibPictureBytes(format));
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < picture.size(); ++i) {
        // Runs of equal bytes with occasional noise, like a screen.
        if (i % 37 == 0) state = state * 1103515245u + 12345u;
        picture[i] = uint8_t((state >> 16) + (i % 5 == 0 ? i / 97 : 0));
    }
    if (format.biBitCount == 16) {
        for (size_t i = 1; i < picture.size(); i += 2) picture[i] &= 0x7F;
    }
    return picture;
}

std::vector<uint8_t> noisePicture(const BITMAPINFOHEADER& format, uint32_t seed) {
    std::vector<uint8_t> picture(dibPictureBytes(format));
    uint32_t state = seed * 2654435761u ^ 0x9E3779B9u;
    for (uint8_t& byte : picture) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = uint8_t(state >> 11);
    }
    return picture;
}

OpenCodec::OpenCodec(UINT mode) : hic_(ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, mode)) {}

OpenCodec::~OpenCodec() {
    if (hic_) ICClose(hic_);
}

LRESULT OpenCodec::send(UINT message, DWORD_PTR lParam1, DWORD_PTR lParam2) const {
    return ICSendMessage(hic_, message, lParam1, lParam2);
}

CompressedFrame compressOne(HIC hic, BITMAPINFOHEADER& input, const std::vector<uint8_t>& picture,
                            BITMAPINFOHEADER& output, bool keyFrame, LONG frameNumber) {
    CompressedFrame frame;
    DWORD capacity = ICCompressGetSize(hic, &input, &output);
    std::vector<uint8_t> buffer(capacity, POISON);
    DWORD chunkId = 0;
    // ICCompress answers a DWORD: the status is its low 32 bits, signed
    // (LRESULT(DWORD) would not sign-extend on 64-bit Windows).
    frame.status = LONG(ICCompress(hic, keyFrame ? ICCOMPRESS_KEYFRAME : 0, &output, buffer.data(), &input,
                                   const_cast<uint8_t*>(picture.data()), &chunkId, &frame.aviFlags, frameNumber, 0, 0,
                                   nullptr, nullptr));
    if (frame.status == ICERR_OK) {
        EXPECT_LE(output.biSizeImage, capacity);
        buffer.resize(std::min<size_t>(output.biSizeImage, buffer.size()));
        frame.bytes = buffer;
    }
    return frame;
}

}  // namespace drav::test
