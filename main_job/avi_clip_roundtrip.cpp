// avi_clip_roundtrip.exe CLIP.info OUT.avi
//
// What a recording program does with the installed codec: writes the raw
// frames of a recording (made by recordings/derive.sh: DIB rows, bottom-up)
// into an AVI file through avifil32 with the compressor 'DRAV', then plays
// the file back the way a player does (frames read with avifil32, handed to
// the decompressor that the system finds for the stream's format) and
// compares every frame with its source. Prints the compression ratio,
// the speed of both directions and whether the clip came back unchanged.
//
// 16-bit and 8-bit clips must come back exactly (8-bit ones are played back
// at 32 bits and compared through the clip's colour table); 32-bit clips are
// carried at 5 bits per channel and compared at that precision.
// Exit code: 0 when every frame came back, 1 otherwise.
#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD HANDLER = mmioFOURCC('D', 'R', 'A', 'V');

// A Unix path as Wine's Windows side sees it.
std::string windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Bytes of a bitmap row: DIB rows are padded to four bytes.
long rowBytes(int width, int bitsPerPixel) { return (long(width) * bitsPerPixel + 31) / 32 * 4; }

// An uncompressed bottom-up bitmap of the given depth.
BITMAPINFOHEADER rgbHeader(int width, int height, int bitsPerPixel) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = WORD(bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(rowBytes(width, bitsPerPixel) * height);
    return header;
}

// The clip described by a derive.sh .info file, its frames read on demand.
class Clip {
public:
    bool open(const std::string& infoPath) {
        std::ifstream info(infoPath);
        std::map<std::string, std::string> fields;
        for (std::string line; std::getline(info, line);) {
            size_t equals = line.find('=');
            if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
        name = fields["clip"];
        bitsPerPixel = std::atoi(fields["bits_per_pixel"].c_str());
        width = std::atoi(fields["width"].c_str());
        height = std::atoi(fields["height"].c_str());
        // "rate=30000/1001": frames per second as the stream header keeps them.
        rate = std::strtoul(fields["rate"].c_str(), nullptr, 10);
        size_t slash = fields["rate"].find('/');
        scale = slash == std::string::npos ? 1 : std::strtoul(fields["rate"].c_str() + slash + 1, nullptr, 10);
        frames = std::atoi(fields["frames"].c_str());
        frameBytes = std::atol(fields["frame_bytes"].c_str());
        if (fields["row_order"] != "bottom-up" || width <= 0 || height <= 0 || frames <= 0 || rate == 0 || scale == 0 ||
            frameBytes != rowBytes(width, bitsPerPixel) * height)
            return false;
        raw_.open(windowsPath(fields["raw"]), std::ios::binary);
        return raw_.good() && (bitsPerPixel != 8 || readColourTable(infoPath));
    }

    bool read(int index, std::vector<BYTE>& frame) {
        frame.resize(frameBytes);
        raw_.seekg(std::streamoff(index) * frameBytes);
        raw_.read(reinterpret_cast<char*>(frame.data()), frameBytes);
        return raw_.good();
    }

    // The stream format: the bitmap header and, at 8 bits, the colour table.
    std::vector<BYTE> format() const {
        BITMAPINFOHEADER header = rgbHeader(width, height, bitsPerPixel);
        header.biClrUsed = bitsPerPixel == 8 ? 256 : 0;
        std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof header);
        if (bitsPerPixel == 8)
            bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(colours),
                         reinterpret_cast<const BYTE*>(colours + 256));
        return bytes;
    }

    std::string name;
    int bitsPerPixel = 0, width = 0, height = 0, frames = 0;
    DWORD rate = 0, scale = 1;
    long frameBytes = 0;
    RGBQUAD colours[256]{};

private:
    // CLIP.pal8.pal beside CLIP.pal8.info: 256 RGBQUADs.
    bool readColourTable(const std::string& infoPath) {
        std::ifstream table(infoPath.substr(0, infoPath.size() - 5) + ".pal", std::ios::binary);
        table.read(reinterpret_cast<char*>(colours), sizeof colours);
        return table.good();
    }

    std::ifstream raw_;
};

double seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

bool failed(const char* what) {
    std::printf("  failed: %s\n", what);
    return false;
}

// Writes every frame through AVIMakeCompressedStream with the codec; the
// time counted is that of the writes alone.
bool record(Clip& clip, const std::string& aviPath, double& elapsed) {
    DeleteFileA(aviPath.c_str());
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, aviPath.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) return failed("AVIFileOpen");
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = HANDLER;
    info.dwScale = clip.scale;
    info.dwRate = clip.rate;
    info.dwSuggestedBufferSize = DWORD(clip.frameBytes);
    SetRect(&info.rcFrame, 0, 0, clip.width, clip.height);
    PAVISTREAM stream = nullptr, compressed = nullptr;
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = HANDLER;
    // A key frame every ten seconds, as screen recorders do; without one
    // avifil32 makes every frame a key frame.
    options.dwKeyFrameEvery = std::max<DWORD>(1, 10 * clip.rate / clip.scale);
    options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES;
    std::vector<BYTE> format = clip.format();
    bool ok = AVIFileCreateStreamA(file, &stream, &info) == AVIERR_OK &&
              AVIMakeCompressedStream(&compressed, stream, &options, nullptr) == AVIERR_OK &&
              AVIStreamSetFormat(compressed, 0, format.data(), LONG(format.size())) == AVIERR_OK;
    if (!ok) failed("no compressed stream through 'DRAV'");
    std::vector<BYTE> frame;
    elapsed = 0;
    for (int i = 0; ok && i < clip.frames; ++i) {
        if (!clip.read(i, frame)) ok = failed("reading the raw frames");
        LARGE_INTEGER start = now();
        if (ok && AVIStreamWrite(compressed, i, 1, frame.data(), LONG(frame.size()), 0, nullptr, nullptr) != AVIERR_OK)
            ok = failed("AVIStreamWrite");
        elapsed += seconds(start, now());
    }
    if (compressed != nullptr) AVIStreamRelease(compressed);
    if (stream != nullptr) AVIStreamRelease(stream);
    AVIFileRelease(file);
    return ok;
}

// Whether one played-back row is what playback must give for the source row,
// in the output's format.
bool sameRow(const Clip& clip, const BYTE* source, const BYTE* played) {
    switch (clip.bitsPerPixel) {
        case 16: return std::memcmp(source, played, size_t(clip.width) * 2) == 0;
        case 8:  // played at 32 bits: the colour of each index
            for (int x = 0; x < clip.width; ++x) {
                const RGBQUAD& c = clip.colours[source[x]];
                if (played[4 * x] != c.rgbBlue || played[4 * x + 1] != c.rgbGreen || played[4 * x + 2] != c.rgbRed)
                    return false;
            }
            return true;
        default:  // 32 bits, played at 16: five bits a channel
            for (int x = 0; x < clip.width; ++x) {
                const BYTE* p = source + 4 * x;
                WORD expected = WORD((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3);
                WORD got = WORD(played[2 * x] | played[2 * x + 1] << 8);
                if (got != expected) return false;
            }
            return true;
    }
}

bool samePixels(const Clip& clip, const BITMAPINFOHEADER& output, const BYTE* source, const BYTE* played) {
    const long sourceRow = rowBytes(clip.width, clip.bitsPerPixel), playedRow = rowBytes(clip.width, output.biBitCount);
    for (int y = 0; y < clip.height; ++y)
        if (!sameRow(clip, source + y * sourceRow, played + y * playedRow)) return false;
    return true;
}

// The output format asked of playback: 16 bits, or 32 for 8-bit clips (the
// codec renders 16, 24 and 32 bits).
BITMAPINFOHEADER playbackFormat(const Clip& clip) {
    return rgbHeader(clip.width, clip.height, clip.bitsPerPixel == 8 ? 32 : 16);
}

// A decompressor found the way players find one: by the stream's format.
class Decompressor {
public:
    Decompressor(BITMAPINFOHEADER* input, BITMAPINFOHEADER* output)
        : hic_(ICDecompressOpen(ICTYPE_VIDEO, 0, input, output)) {
        begun_ = hic_ != nullptr && ICDecompressBegin(hic_, input, output) == ICERR_OK;
    }
    ~Decompressor() {
        if (begun_) ICDecompressEnd(hic_);
        if (hic_ != nullptr) ICClose(hic_);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    bool ready() const { return begun_; }
    HIC get() const { return hic_; }

private:
    HIC hic_;
    bool begun_ = false;
};

// Reads the file's frames in order and has the codec decompress each one,
// as a player does, comparing as it goes; the time counted is that of the
// decompression alone.
bool playBack(Clip& clip, const std::string& aviPath, long& compressedBytes, int& identical, double& elapsed) {
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, aviPath.c_str(), OF_READ, nullptr) != AVIERR_OK) return failed("AVIFileOpen for playback");
    PAVISTREAM stream = nullptr;
    LONG formatSize = 0;
    bool ok = AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == AVIERR_OK &&
              AVIStreamReadFormat(stream, 0, nullptr, &formatSize) == AVIERR_OK &&
              formatSize >= LONG(sizeof(BITMAPINFOHEADER));
    std::vector<BYTE> format(ok ? formatSize : sizeof(BITMAPINFOHEADER));
    ok = ok && AVIStreamReadFormat(stream, 0, format.data(), &formatSize) == AVIERR_OK;
    auto* input = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    BITMAPINFOHEADER output = playbackFormat(clip);
    Decompressor codec(input, &output);
    if (ok && !codec.ready()) ok = failed("no decompressor for the stream");
    std::vector<BYTE> packed, source, played(output.biSizeImage);
    compressedBytes = 0;
    identical = 0;
    elapsed = 0;
    for (int i = 0; ok && i < clip.frames; ++i) {
        LONG bytes = 0;
        AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr);
        packed.resize(bytes > 0 ? bytes : 1);
        if (AVIStreamRead(stream, i, 1, packed.data(), bytes, &bytes, nullptr) != AVIERR_OK)
            ok = failed("AVIStreamRead");
        compressedBytes += bytes;
        input->biSizeImage = DWORD(bytes);
        LARGE_INTEGER start = now();
        if (ok && ICDecompress(codec.get(), 0, input, packed.data(), &output, played.data()) != ICERR_OK)
            ok = failed("ICDecompress");
        elapsed += seconds(start, now());
        if (ok && !clip.read(i, source)) ok = failed("reading the raw frames");
        if (ok && samePixels(clip, output, source.data(), played.data())) ++identical;
    }
    if (stream != nullptr) AVIStreamRelease(stream);
    AVIFileRelease(file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: avi_clip_roundtrip CLIP.info OUT.avi\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Clip clip;
    if (!clip.open(argv[1])) {
        std::printf("cannot read the clip described by %s\n", argv[1]);
        return 1;
    }
    std::printf("%s, %d-bit, %dx%d, %d frames\n", clip.name.c_str(), clip.bitsPerPixel, clip.width, clip.height,
                clip.frames);
    AVIFileInit();
    double writeSeconds = 0, readSeconds = 0;
    long compressedBytes = 0;
    int identical = 0;
    bool ok = record(clip, argv[2], writeSeconds) && playBack(clip, argv[2], compressedBytes, identical, readSeconds);
    AVIFileExit();
    if (!ok || compressedBytes <= 0) return 1;
    double rawBytes = double(clip.frameBytes) * clip.frames;
    std::printf("  compression ratio %.1f (%.0f bytes of frames in %ld bytes)\n", rawBytes / compressedBytes, rawBytes,
                compressedBytes);
    std::printf("  recording: %.0f frames/s (AVIStreamWrite through the codec)\n", clip.frames / writeSeconds);
    std::printf("  playback:  %.0f frames/s (ICDecompress of the frames read back)\n", clip.frames / readSeconds);
    std::printf("  lossless:  %d of %d frames came back %s\n", identical, clip.frames,
                clip.bitsPerPixel == 32 ? "identical at 5 bits per channel" : "identical");
    return identical == clip.frames ? 0 : 1;
}
