// What a program that records and plays video through the system's
// interfaces needs beside them: Wine's view of a Unix path, DIB headers, the
// raw frames of a recording (recordings/derive.sh), an AVI's video stream as
// players read it, and the comparison of a played picture with its source at
// the precision the codec keeps. Shared by the main job's client and the
// driver's host tests.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace drav::host {

// A Unix path as the Windows side sees it (Wine maps / to drive Z:).
std::string windowsPath(const std::string& unixPath);

// Bytes of a DIB row (padded to 4 bytes) and of a bottom-up picture.
size_t dibRowBytes(LONG width, WORD bitCount);
size_t dibPictureBytes(const BITMAPINFOHEADER& format);

// A bottom-up DIB header; biSizeImage set for BI_RGB, 0 otherwise.
BITMAPINFOHEADER dibHeader(LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB);

// A recording's raw frames as recordings/derive.sh describes them in
// CLIP.DEPTH.info: bottom-up DIB rows in CLIP.DEPTH.raw and, at 8 bits, the
// colour table in CLIP.DEPTH.pal.
class RawClip {
public:
    // From the .info file (a Windows path); false, with the reason in
    // `error`, when it does not describe bottom-up DIB frames.
    bool open(const std::string& infoPath, std::string& error);
    // The frames of a file of raw bottom-up pictures of the format; for 8
    // bits, the colour table is the file's name with .pal for its extension.
    bool open(const std::string& rawPath, const BITMAPINFOHEADER& format, LONG frames, std::string& error);

    bool read(LONG index, std::vector<uint8_t>& frame);
    // The header with its colour table, as an AVI stream format.
    std::vector<uint8_t> streamFormat() const;

    std::string name;
    BITMAPINFOHEADER format{};  // BI_RGB; biClrUsed 256 at 8 bits
    RGBQUAD colors[256]{};
    DWORD rate = 0, scale = 1;  // frames per second: rate / scale
    LONG frames = 0;

private:
    std::ifstream raw_;
};

// A bottom-up DIB picture: its header, rows and, at 8 bits, colour table.
struct DibPicture {
    const BITMAPINFOHEADER* format;
    const uint8_t* rows;
    const RGBQUAD* colors;
};

// Empty when `played` shows `source` as the codec gives it back: 16-bit
// pixels exactly, 32-bit ones at 5 bits per channel, 8-bit ones as their
// colours; else where the first difference is.
std::string pictureDifference(const DibPicture& source, const DibPicture& played);

// An AVI's video stream as players read it: its format, and one frame's
// bytes (empty when the stream has none to give).
std::vector<uint8_t> readStreamFormat(PAVISTREAM stream);
std::vector<uint8_t> readStreamFrame(PAVISTREAM stream, LONG frame);

}  // namespace drav::host
