#include "vfw_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace drav::host {
namespace {

struct Rgb {
    uint8_t red, green, blue;
};

Rgb pixelAt(const DibPicture& picture, LONG x, LONG row) {
    const BITMAPINFOHEADER& format = *picture.format;
    const uint8_t* line = picture.rows + size_t(row) * dibRowBytes(format.biWidth, format.biBitCount);
    switch (format.biBitCount) {
        case 8: {
            const RGBQUAD& colour = picture.colors[line[x]];
            return {colour.rgbRed, colour.rgbGreen, colour.rgbBlue};
        }
        case 16: {
            const unsigned value = line[2 * x] | (line[2 * x + 1] << 8);
            return {uint8_t((value >> 7) & 0xF8), uint8_t((value >> 2) & 0xF8), uint8_t((value << 3) & 0xF8)};
        }
        default: {
            const uint8_t* bytes = line + size_t(x) * (format.biBitCount / 8);
            return {bytes[2], bytes[1], bytes[0]};
        }
    }
}

std::map<std::string, std::string> readInfo(const std::string& path) {
    std::map<std::string, std::string> fields;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

// "rate=30000/1001": frames per second as a stream header keeps them.
void readRate(const std::string& text, DWORD& rate, DWORD& scale) {
    rate = DWORD(std::strtoul(text.c_str(), nullptr, 10));
    const size_t slash = text.find('/');
    scale = slash == std::string::npos ? 1 : DWORD(std::strtoul(text.c_str() + slash + 1, nullptr, 10));
}

}  // namespace

std::string windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

size_t dibRowBytes(LONG width, WORD bitCount) { return (size_t(width) * bitCount + 31) / 32 * 4; }

size_t dibPictureBytes(const BITMAPINFOHEADER& format) {
    return dibRowBytes(format.biWidth, format.biBitCount) * size_t(std::abs(format.biHeight));
}

BITMAPINFOHEADER dibHeader(LONG width, LONG height, WORD bitCount, DWORD compression) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = compression;
    header.biSizeImage = compression == BI_RGB ? DWORD(dibPictureBytes(header)) : 0;
    return header;
}

bool RawClip::open(const std::string& infoPath, std::string& error) {
    std::map<std::string, std::string> fields = readInfo(infoPath);
    name = fields["clip"];
    readRate(fields["rate"], rate, scale);
    const LONG width = std::atol(fields["width"].c_str()), height = std::atol(fields["height"].c_str());
    const WORD bits = WORD(std::atoi(fields["bits_per_pixel"].c_str()));
    const BITMAPINFOHEADER header = dibHeader(width, height, bits);
    if (fields["row_order"] != "bottom-up" || width <= 0 || height <= 0 || rate == 0 || scale == 0 ||
        std::strtoul(fields["frame_bytes"].c_str(), nullptr, 10) != dibPictureBytes(header)) {
        error = infoPath + " describes no bottom-up DIB frames";
        return false;
    }
    return open(windowsPath(fields["raw"]), header, std::atol(fields["frames"].c_str()), error);
}

bool RawClip::open(const std::string& rawPath, const BITMAPINFOHEADER& header, LONG count, std::string& error) {
    format = header;
    frames = count;
    raw_.open(rawPath, std::ios::binary);
    if (!raw_) {
        error = "cannot read " + rawPath;
        return false;
    }
    if (format.biBitCount != 8) return true;
    format.biClrUsed = 256;
    const std::string tablePath = rawPath.substr(0, rawPath.rfind('.')) + ".pal";
    std::ifstream table(tablePath, std::ios::binary);
    if (table.read(reinterpret_cast<char*>(colors), sizeof colors)) return true;
    error = "cannot read the colour table " + tablePath;
    return false;
}

bool RawClip::read(LONG index, std::vector<uint8_t>& frame) {
    frame.resize(dibPictureBytes(format));
    raw_.clear();
    raw_.seekg(std::streamoff(index) * std::streamoff(frame.size()));
    return bool(raw_.read(reinterpret_cast<char*>(frame.data()), std::streamsize(frame.size())));
}

std::vector<uint8_t> RawClip::streamFormat() const {
    const size_t colorBytes = format.biClrUsed * sizeof(RGBQUAD);
    std::vector<uint8_t> bytes(sizeof format + colorBytes);
    std::memcpy(bytes.data(), &format, sizeof format);
    std::memcpy(bytes.data() + sizeof format, colors, colorBytes);
    return bytes;
}

std::string pictureDifference(const DibPicture& source, const DibPicture& played) {
    const BITMAPINFOHEADER &wanted = *source.format, &got = *played.format;
    if (got.biWidth != wanted.biWidth || got.biHeight != wanted.biHeight)
        return "the picture is " + std::to_string(got.biWidth) + "x" + std::to_string(got.biHeight);
    // The codec keeps 5 bits of each channel of true- and high-colour pixels;
    // paletted pixels are the palette's colours.
    const uint8_t mask = wanted.biBitCount == 8 ? 0xFF : 0xF8;
    for (LONG row = 0; row < got.biHeight; ++row) {
        for (LONG x = 0; x < got.biWidth; ++x) {
            const Rgb a = pixelAt(played, x, row), b = pixelAt(source, x, row);
            if (((a.red ^ b.red) | (a.green ^ b.green) | (a.blue ^ b.blue)) & mask) {
                char where[120];
                std::snprintf(where, sizeof where, "pixel %ld of row %ld is %02X%02X%02X, expected %02X%02X%02X",
                              long(x), long(row), a.red, a.green, a.blue, b.red, b.green, b.blue);
                return where;
            }
        }
    }
    return {};
}

std::vector<uint8_t> readStreamFormat(PAVISTREAM stream) {
    LONG size = 0;
    AVIStreamReadFormat(stream, 0, nullptr, &size);
    if (size < LONG(sizeof(BITMAPINFOHEADER))) return {};
    std::vector<uint8_t> format(size_t(size), 0);
    if (AVIStreamReadFormat(stream, 0, format.data(), &size) != AVIERR_OK) return {};
    return format;
}

std::vector<uint8_t> readStreamFrame(PAVISTREAM stream, LONG frame) {
    LONG bytes = 0;
    if (AVIStreamRead(stream, frame, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK || bytes <= 0) return {};
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    if (AVIStreamRead(stream, frame, 1, data.data(), bytes, &bytes, nullptr) != AVIERR_OK) return {};
    return data;
}

}  // namespace drav::host
