// read_avi AVI RAW BITS FRAMES: plays a DRAV AVI written elsewhere (by the
// Linux tool, or by the driver through avifil32) back through the installed
// driver as players do, and compares every picture with the raw bottom-up
// frames in RAW, which hold BITS bits per pixel: 16-bit frames exactly,
// 32-bit ones at the 5 bits per channel the codec keeps, 8-bit ones as the
// colours of RAW's indices in the colour table next to it (RAW with .pal for
// .raw). The checks:
//   - every frame in order through AVIStreamRead and ICDecompress on a
//     decompressor from ICOpen('vidc', 'DRAV'), as a player sends the stream;
//   - the key frames avifil32 reports (AVIStreamIsKeyFrame, and
//     AVIStreamFindSample with FIND_KEY | FIND_PREV) are the index's;
//   - AVIStreamGetFrame with the driver's proposed format (no format asked
//     for) and with 24- and 32-bit BI_RGB: every frame in order, then seeks
//     back and forth, where avifil32 decodes again from a key frame.
// Prints one line per check. Exit code 0 when every check passes, 1
// otherwise, 2 for a wrong command line.
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

struct Rgb {
    uint8_t red, green, blue;
};

// A bottom-up DIB picture as a header, its rows and, for 8 bits, its colours.
struct Picture {
    const BITMAPINFOHEADER* format;
    const uint8_t* rows;
    const RGBQUAD* colors;
};

Rgb pixelAt(const Picture& picture, LONG x, LONG row) {
    const BITMAPINFOHEADER& format = *picture.format;
    size_t stride = (size_t(format.biWidth) * format.biBitCount + 31) / 32 * 4;
    const uint8_t* line = picture.rows + size_t(row) * stride;
    switch (format.biBitCount) {
        case 8: {
            const RGBQUAD& colour = picture.colors[line[x]];
            return {colour.rgbRed, colour.rgbGreen, colour.rgbBlue};
        }
        case 16: {
            unsigned value = line[2 * x] | (line[2 * x + 1] << 8);
            return {uint8_t((value >> 7) & 0xF8), uint8_t((value >> 2) & 0xF8), uint8_t((value << 3) & 0xF8)};
        }
        default: {
            const uint8_t* bytes = line + size_t(x) * (format.biBitCount / 8);
            return {bytes[2], bytes[1], bytes[0]};
        }
    }
}

// The raw frames a file is compared with.
struct Expected {
    int bits = 0;
    BITMAPINFOHEADER format{};
    RGBQUAD colors[256]{};
    std::vector<std::vector<uint8_t>> frames;

    Picture picture(LONG frame) const { return {&format, frames[size_t(frame)].data(), colors}; }
    // The bits per channel that hold: the codec keeps 5 of true-colour and
    // high-colour pixels, and paletted pixels are the palette's colours.
    uint8_t channelMask() const { return bits == 8 ? 0xFF : 0xF8; }
};

bool fail(const std::string& message) {
    std::printf("FAIL  %s\n", message.c_str());
    return false;
}

bool pass(const std::string& what, LONG frames) {
    std::printf("ok    %s (%ld frames)\n", what.c_str(), long(frames));
    return true;
}

bool samePicture(const Expected& expected, LONG frame, const Picture& got, const std::string& what) {
    const BITMAPINFOHEADER& format = *got.format;
    if (format.biWidth != expected.format.biWidth || format.biHeight != expected.format.biHeight) {
        return fail(what + ", frame " + std::to_string(frame) + ": the picture is " + std::to_string(format.biWidth) +
                    "x" + std::to_string(format.biHeight));
    }
    Picture wanted = expected.picture(frame);
    uint8_t mask = expected.channelMask();
    for (LONG row = 0; row < format.biHeight; ++row) {
        for (LONG x = 0; x < format.biWidth; ++x) {
            Rgb a = pixelAt(got, x, row), b = pixelAt(wanted, x, row);
            if (((a.red ^ b.red) | (a.green ^ b.green) | (a.blue ^ b.blue)) & mask) {
                char where[160];
                std::snprintf(where, sizeof where,
                              ", frame %ld: pixel %ld of row %ld is %02X%02X%02X, expected %02X%02X%02X", long(frame),
                              long(x), long(row), a.red, a.green, a.blue, b.red, b.green, b.blue);
                return fail(what + where);
            }
        }
    }
    return true;
}

bool loadExpected(Expected& expected, const std::string& rawPath, int bits, const BITMAPINFOHEADER& stream,
                  LONG frames) {
    expected.bits = bits;
    expected.format = makeFormat(stream.biWidth, stream.biHeight, WORD(bits)).header;
    std::ifstream raw(windowsPath(rawPath), std::ios::binary);
    for (LONG i = 0; i < frames; ++i) {
        std::vector<uint8_t> frame(pictureBytes(expected.format));
        if (!raw.read(reinterpret_cast<char*>(frame.data()), std::streamsize(frame.size()))) {
            return fail("cannot read frame " + std::to_string(i) + " of " + rawPath);
        }
        expected.frames.push_back(std::move(frame));
    }
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

// Every frame in order through ICDecompress, to 16 bits for a 16-bit source,
// else to 32; false at the first fault.
bool decompressInOrder(PAVISTREAM stream, BITMAPINFOHEADER input, const Expected& expected, LONG frames) {
    const std::string what = "ICDecompress in order";
    HIC decoder = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, ICMODE_DECOMPRESS);
    if (!decoder) return fail(what + ": ICOpen finds no DRAV decompressor: is the driver installed?");
    BitmapFormat output = makeFormat(input.biWidth, input.biHeight, expected.bits == 16 ? 16 : 32);
    if (ICDecompressBegin(decoder, &input, output.get()) != ICERR_OK) {
        ICClose(decoder);
        return fail(what + ": the driver refuses to decompress to " + std::to_string(output.header.biBitCount) +
                    " bits");
    }
    std::vector<uint8_t> picture(pictureBytes(output.header));
    bool ok = true;
    for (LONG i = 0; ok && i < frames; ++i) {
        std::vector<uint8_t> data = readFrame(stream, i);
        if (data.empty()) {
            ok = fail(what + ", frame " + std::to_string(i) + ": cannot read it from the file");
            continue;
        }
        input.biSizeImage = DWORD(data.size());
        DWORD result = ICDecompress(decoder, 0, &input, data.data(), output.get(), picture.data());
        ok = result == ICERR_OK
                 ? samePicture(expected, i, {output.get(), picture.data(), nullptr}, what)
                 : fail(what + ", frame " + std::to_string(i) + ": ICDecompress gave " + std::to_string(LONG(result)));
    }
    ICDecompressEnd(decoder);
    ICClose(decoder);
    return ok && pass(what, frames);
}

// The key flags of the stream's frames in the idx1 index of the file's first
// RIFF segment (the part avifil32 reads); empty when there is none.
std::vector<bool> indexKeyFrames(const std::string& path) {
    std::ifstream file(windowsPath(path), std::ios::binary);
    std::vector<bool> keys;
    char id[4];
    uint32_t size = 0;
    for (file.seekg(12); file.read(id, 4) && file.read(reinterpret_cast<char*>(&size), 4);
         file.seekg(size + (size & 1), std::ios::cur)) {
        if (std::memcmp(id, "idx1", 4) != 0) continue;
        AVIINDEXENTRY entry;
        for (uint32_t i = 0; i < size / sizeof entry && file.read(reinterpret_cast<char*>(&entry), sizeof entry); ++i) {
            if (entry.ckid == mmioFOURCC('0', '0', 'd', 'c') || entry.ckid == mmioFOURCC('0', '0', 'd', 'b')) {
                keys.push_back((entry.dwFlags & AVIIF_KEYFRAME) != 0);
            }
        }
        break;
    }
    return keys;
}

std::string keyFrameList(const std::vector<bool>& keys) {
    std::string list;
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i]) list += " " + std::to_string(i);
    return list;
}

bool sameKeyFrames(PAVISTREAM stream, const std::string& path, LONG frames) {
    const std::string what = "key frames";
    std::vector<bool> index = indexKeyFrames(path);
    if (index.size() != size_t(frames))
        return fail(what + ": the file's idx1 lists " + std::to_string(index.size()) + " frames, expected " +
                    std::to_string(frames));
    std::vector<bool> isKey;
    LONG lastKey = -1;
    bool previousKeysRight = true;
    for (LONG i = 0; i < frames; ++i) {
        if (index[size_t(i)]) lastKey = i;
        isKey.push_back(AVIStreamIsKeyFrame(stream, i));
        previousKeysRight &= AVIStreamFindSample(stream, i, FIND_KEY | FIND_PREV) == lastKey;
    }
    if (isKey != index) {
        return fail(what + ": avifil32 reports" + keyFrameList(isKey) + ", the index has" + keyFrameList(index));
    }
    if (!previousKeysRight) return fail(what + ": FIND_KEY | FIND_PREV does not give the index's previous key frame");
    return pass(what + " avifil32 reports, the index's:" + keyFrameList(index), frames);
}

// AVIStreamGetFrame with `bits` bits per pixel, or with the driver's proposal
// for 0: every frame in order, then seeks.
bool getFrames(PAVISTREAM stream, const Expected& expected, LONG frames, WORD bits) {
    const std::string what = "AVIStreamGetFrame, " + (bits ? std::to_string(bits) + " bits" : "the driver's proposal");
    BitmapFormat wanted = makeFormat(expected.format.biWidth, expected.format.biHeight, bits ? bits : 32);
    PGETFRAME getFrame = AVIStreamGetFrameOpen(stream, bits ? wanted.get() : nullptr);
    if (!getFrame) return fail(what + ": AVIStreamGetFrameOpen fails");
    std::vector<LONG> order;
    for (LONG i = 0; i < frames; ++i) order.push_back(i);
    // Back and forth, onto delta frames and the first one.
    for (LONG seek : {frames - 1, LONG(1), frames / 2 + 1, LONG(0), frames / 2}) order.push_back(seek);
    bool ok = true;
    for (LONG frame : order) {
        auto* picture = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(getFrame, frame));
        if (!picture) {
            ok = fail(what + ", frame " + std::to_string(frame) + ": no picture");
        } else if (bits && picture->biBitCount != bits) {
            ok = fail(what + ": the picture has " + std::to_string(picture->biBitCount) + " bits per pixel");
        } else {
            auto* colors =
                reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(picture) + picture->biSize);
            DWORD colorCount = picture->biBitCount == 8 && !picture->biClrUsed ? 256 : picture->biClrUsed;
            ok = samePicture(expected, frame, {picture, reinterpret_cast<const uint8_t*>(colors + colorCount), colors},
                             what);
        }
        if (!ok) break;
    }
    AVIStreamGetFrameClose(getFrame);
    return ok && pass(what + ", in order and " + std::to_string(order.size() - size_t(frames)) + " seeks", frames);
}

bool checkFile(const std::string& aviPath, const std::string& rawPath, int bits, LONG frames) {
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, windowsPath(aviPath).c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) !=
        AVIERR_OK) {
        return fail("avifil32 cannot open a video stream in " + aviPath);
    }
    std::vector<uint8_t> format = streamFormat(stream);
    auto* input = reinterpret_cast<const BITMAPINFOHEADER*>(format.data());
    Expected expected;
    bool ok = false;
    if (format.empty() || input->biCompression != FOURCC_DRAV_FORMAT) {
        fail("the stream format is not DRAV");
    } else if (AVIStreamLength(stream) != frames) {
        fail("the stream has " + std::to_string(AVIStreamLength(stream)) + " frames, expected " +
             std::to_string(frames));
    } else if (loadExpected(expected, rawPath, bits, *input, frames)) {
        ok = decompressInOrder(stream, *input, expected, frames);
        ok &= sameKeyFrames(stream, aviPath, frames);
        for (WORD outputBits : {WORD(0), WORD(24), WORD(32)}) ok &= getFrames(stream, expected, frames, outputBits);
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
    AVIFileInit();
    bool ok = checkFile(argv[1], argv[2], bits, LONG(frames));
    AVIFileExit();
    return ok ? 0 : 1;
}
