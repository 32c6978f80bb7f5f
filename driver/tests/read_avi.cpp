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

using host::DibPicture;
using host::RawClip;

bool fail(const std::string& message) {
    std::printf("FAIL  %s\n", message.c_str());
    return false;
}

bool pass(const std::string& what, LONG frames) {
    std::printf("ok    %s (%ld frames)\n", what.c_str(), long(frames));
    return true;
}

bool samePicture(RawClip& expected, LONG frame, const DibPicture& got, const std::string& what) {
    std::vector<uint8_t> source;
    if (!expected.read(frame, source)) return fail(what + ", frame " + std::to_string(frame) + ": no raw frame");
    const std::string difference = host::pictureDifference({&expected.format, source.data(), expected.colors}, got);
    return difference.empty() || fail(what + ", frame " + std::to_string(frame) + ": " + difference);
}

// Every frame in order through ICDecompress, to 16 bits for a 16-bit source,
// else to 32; false at the first fault.
bool decompressInOrder(PAVISTREAM stream, BITMAPINFOHEADER input, RawClip& expected, LONG frames) {
    const std::string what = "ICDecompress in order";
    HIC decoder = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, ICMODE_DECOMPRESS);
    if (!decoder) return fail(what + ": ICOpen finds no DRAV decompressor: is the driver installed?");
    BitmapFormat output = makeFormat(input.biWidth, input.biHeight, expected.format.biBitCount == 16 ? 16 : 32);
    if (ICDecompressBegin(decoder, &input, output.get()) != ICERR_OK) {
        ICClose(decoder);
        return fail(what + ": the driver refuses to decompress to " + std::to_string(output.header.biBitCount) +
                    " bits");
    }
    std::vector<uint8_t> picture(dibPictureBytes(output.header));
    bool ok = true;
    for (LONG i = 0; ok && i < frames; ++i) {
        std::vector<uint8_t> data = host::readStreamFrame(stream, i);
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
bool getFrames(PAVISTREAM stream, RawClip& expected, LONG frames, WORD bits) {
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
    std::vector<uint8_t> format = host::readStreamFormat(stream);
    auto* input = reinterpret_cast<const BITMAPINFOHEADER*>(format.data());
    RawClip expected;
    std::string error;
    bool ok = false;
    if (format.empty() || input->biCompression != FOURCC_DRAV_FORMAT) {
        fail("the stream format is not DRAV");
    } else if (AVIStreamLength(stream) != frames) {
        fail("the stream has " + std::to_string(AVIStreamLength(stream)) + " frames, expected " +
             std::to_string(frames));
    } else if (!expected.open(windowsPath(rawPath), host::dibHeader(input->biWidth, input->biHeight, WORD(bits)),
                              frames, error)) {
        fail(error);
    } else {
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
