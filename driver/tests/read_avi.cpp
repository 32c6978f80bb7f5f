// read_avi AVI RAW BITS FRAMES: plays a DRAV AVI written elsewhere (by the
// Linux tool) back through the installed driver and compares every picture
// with the raw bottom-up frames in RAW, which hold BITS bits per pixel:
//   16: decoded to RGB555, compared bit for bit;
//   32: decoded to BGRX, compared at the 5 bits per channel the codec keeps;
//    8: decoded to BGRX, compared with the colours of RAW's indices in the
//       colour table next to it (RAW with .pal for .raw).
// Frames are read in order with AVIStreamRead and decompressed with
// ICDecompress on a decompressor from ICOpen('vidc', 'DRAV'): the driver sees
// the stream as a player sends it, without avifil32 re-decoding from a key
// frame for every picture. Exit code 0 when every frame matches, 1 otherwise,
// 2 for a wrong command line.
#include <windows.h>
#include <vfw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "VcmTestSupport.h"

namespace drav::test {
namespace {

struct Expected {
    int bits = 0;
    RGBQUAD colors[256]{};
    std::ifstream raw;
};

bool fail(const std::string& message) {
    std::printf("%s\n", message.c_str());
    return false;
}

// The picture RAW holds, as the decoder's output format should give it.
std::vector<uint8_t> expectedPicture(Expected& expected, const BITMAPINFOHEADER& output) {
    BITMAPINFOHEADER rawFormat = output;
    rawFormat.biBitCount = WORD(expected.bits);
    std::vector<uint8_t> raw(pictureBytes(rawFormat));
    if (!expected.raw.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()))) return {};
    if (expected.bits != 8) return raw;
    std::vector<uint8_t> colours(pictureBytes(output));
    const size_t width = size_t(output.biWidth), indexRow = (width + 3) / 4 * 4;
    for (size_t y = 0; y < size_t(output.biHeight); ++y)
        for (size_t x = 0; x < width; ++x)
            std::memcpy(&colours[(y * width + x) * 4], &expected.colors[raw[y * indexRow + x]], 4);
    return colours;
}

// Which bits of an output byte the comparison holds to: all of them, except
// the unused fourth byte of 32-bit pixels and, for a 32-bit source, the low
// three bits of each channel that the codec does not keep.
uint8_t comparedBits(int sourceBits, size_t byte) {
    if (sourceBits == 16) return 0xFF;
    if (byte % 4 == 3) return 0x00;
    return sourceBits == 32 ? 0xF8 : 0xFF;
}

bool samePicture(int sourceBits, const uint8_t* got, const std::vector<uint8_t>& wanted, LONG frame) {
    for (size_t b = 0; b < wanted.size(); ++b) {
        uint8_t mask = comparedBits(sourceBits, b);
        if ((got[b] & mask) != (wanted[b] & mask)) {
            return fail("frame " + std::to_string(frame) + ": byte " + std::to_string(b) + " is " +
                        std::to_string(got[b]) + ", expected " + std::to_string(wanted[b]));
        }
    }
    return true;
}

bool openExpected(Expected& expected, const std::string& rawPath, int bits) {
    expected.bits = bits;
    expected.raw.open(windowsPath(rawPath), std::ios::binary);
    if (!expected.raw) return fail("cannot read " + rawPath);
    if (bits != 8) return true;
    std::string palettePath = rawPath.substr(0, rawPath.rfind('.')) + ".pal";
    std::ifstream palette(windowsPath(palettePath), std::ios::binary);
    if (!palette.read(reinterpret_cast<char*>(expected.colors), sizeof(expected.colors))) {
        return fail("cannot read the colour table " + palettePath);
    }
    return true;
}

std::vector<uint8_t> streamFormat(PAVISTREAM stream) {
    LONG size = 0;
    AVIStreamReadFormat(stream, 0, nullptr, &size);
    if (size < LONG(sizeof(BITMAPINFOHEADER))) return {};
    std::vector<uint8_t> format(size_t(size), 0);
    if (AVIStreamReadFormat(stream, 0, format.data(), &size) != AVIERR_OK) return {};
    return format;
}

std::vector<uint8_t> readFrame(PAVISTREAM stream, LONG frame) {
    LONG bytes = 0;
    if (AVIStreamRead(stream, frame, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK || bytes <= 0) return {};
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    if (AVIStreamRead(stream, frame, 1, data.data(), bytes, &bytes, nullptr) != AVIERR_OK) return {};
    return data;
}

// Decompresses every frame in order and compares it; false at the first fault.
bool decodeAndCompare(PAVISTREAM stream, HIC decoder, BITMAPINFOHEADER& input, BITMAPINFOHEADER& output,
                      Expected& expected, LONG frames) {
    std::vector<uint8_t> picture(pictureBytes(output));
    for (LONG i = 0; i < frames; ++i) {
        std::vector<uint8_t> data = readFrame(stream, i);
        if (data.empty()) return fail("frame " + std::to_string(i) + ": cannot read it from the file");
        input.biSizeImage = DWORD(data.size());
        DWORD result = ICDecompress(decoder, 0, &input, data.data(), &output, picture.data());
        if (result != ICERR_OK) {
            return fail("frame " + std::to_string(i) + ": ICDecompress gave " + std::to_string(LONG(result)));
        }
        std::vector<uint8_t> wanted = expectedPicture(expected, output);
        if (wanted.empty()) return fail("frame " + std::to_string(i) + ": the raw file ends before it");
        if (!samePicture(expected.bits, picture.data(), wanted, i)) return false;
    }
    return true;
}

bool checkFile(const std::string& aviPath, Expected& expected, LONG frames) {
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, windowsPath(aviPath).c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) !=
        AVIERR_OK) {
        return fail("avifil32 cannot open a video stream in " + aviPath);
    }
    bool ok = false;
    std::vector<uint8_t> format = streamFormat(stream);
    auto* input = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    HIC decoder = nullptr;
    BitmapFormat output{};
    if (format.empty() || input->biCompression != FOURCC_DRAV_FORMAT) {
        fail("the stream format is not DRAV");
    } else if (AVIStreamLength(stream) != frames) {
        fail("the stream has " + std::to_string(AVIStreamLength(stream)) + " frames, expected " +
             std::to_string(frames));
    } else if (!(decoder = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, ICMODE_DECOMPRESS))) {
        fail("ICOpen finds no DRAV decompressor: is the driver installed?");
    } else {
        output = makeFormat(input->biWidth, input->biHeight, expected.bits == 16 ? 16 : 32);
        if (ICDecompressBegin(decoder, input, output.get()) != ICERR_OK) {
            fail("the driver refuses to decompress to " + std::to_string(output.header.biBitCount) + " bits");
        } else {
            ok = decodeAndCompare(stream, decoder, *input, output.header, expected, frames);
            ICDecompressEnd(decoder);
        }
        ICClose(decoder);
    }
    AVIStreamRelease(stream);
    return ok;
}

}  // namespace
}  // namespace drav::test

int main(int argc, char** argv) {
    using namespace drav::test;
    int bits = argc == 5 ? std::atoi(argv[3]) : 0;
    long frames = argc == 5 ? std::atol(argv[4]) : 0;
    if ((bits != 8 && bits != 16 && bits != 32) || frames <= 0) {
        std::fprintf(stderr, "usage: read_avi AVI RAW 8|16|32 FRAMES\n");
        return 2;
    }
    Expected expected;
    if (!openExpected(expected, argv[2], bits)) return 1;
    AVIFileInit();
    bool ok = checkFile(argv[1], expected, LONG(frames));
    AVIFileExit();
    if (ok) std::printf("%ld frames decoded by the driver match %s\n", frames, argv[2]);
    return ok ? 0 : 1;
}
