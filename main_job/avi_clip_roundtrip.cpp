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
#include <cstring>
#include <string>
#include <vector>

#include "vfw_host.h"

namespace {

using namespace drav::host;

constexpr DWORD HANDLER = mmioFOURCC('D', 'R', 'A', 'V');

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
bool record(RawClip& clip, const std::string& aviPath, double& elapsed) {
    DeleteFileA(aviPath.c_str());
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, aviPath.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) return failed("AVIFileOpen");
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = HANDLER;
    info.dwScale = clip.scale;
    info.dwRate = clip.rate;
    info.dwSuggestedBufferSize = clip.format.biSizeImage;
    SetRect(&info.rcFrame, 0, 0, clip.format.biWidth, clip.format.biHeight);
    PAVISTREAM stream = nullptr, compressed = nullptr;
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = HANDLER;
    // A key frame every ten seconds, as screen recorders do; without one
    // avifil32 makes every frame a key frame.
    options.dwKeyFrameEvery = std::max<DWORD>(1, 10 * clip.rate / clip.scale);
    options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES;
    std::vector<uint8_t> format = clip.streamFormat();
    bool ok = AVIFileCreateStreamA(file, &stream, &info) == AVIERR_OK &&
              AVIMakeCompressedStream(&compressed, stream, &options, nullptr) == AVIERR_OK &&
              AVIStreamSetFormat(compressed, 0, format.data(), LONG(format.size())) == AVIERR_OK;
    if (!ok) failed("no compressed stream through 'DRAV'");
    std::vector<uint8_t> frame;
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

// The output format asked of playback: 16 bits, or 32 for 8-bit clips (the
// codec renders 16, 24 and 32 bits).
BITMAPINFOHEADER playbackFormat(const RawClip& clip) {
    return dibHeader(clip.format.biWidth, clip.format.biHeight, clip.format.biBitCount == 8 ? 32 : 16);
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
bool playBack(RawClip& clip, const std::string& aviPath, long& compressedBytes, int& identical, double& elapsed) {
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, aviPath.c_str(), OF_READ, nullptr) != AVIERR_OK) return failed("AVIFileOpen for playback");
    PAVISTREAM stream = nullptr;
    std::vector<uint8_t> format;
    if (AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == AVIERR_OK) format = readStreamFormat(stream);
    bool ok = !format.empty();
    if (!ok) format.resize(sizeof(BITMAPINFOHEADER));
    auto* input = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    BITMAPINFOHEADER output = playbackFormat(clip);
    Decompressor codec(input, &output);
    if (ok && !codec.ready()) ok = failed("no decompressor for the stream");
    std::vector<uint8_t> packed, source, played(output.biSizeImage);
    compressedBytes = 0;
    identical = 0;
    elapsed = 0;
    for (int i = 0; ok && i < clip.frames; ++i) {
        packed = readStreamFrame(stream, i);
        if (packed.empty()) ok = failed("AVIStreamRead");
        compressedBytes += long(packed.size());
        input->biSizeImage = DWORD(packed.size());
        LARGE_INTEGER start = now();
        if (ok && ICDecompress(codec.get(), 0, input, packed.data(), &output, played.data()) != ICERR_OK)
            ok = failed("ICDecompress");
        elapsed += seconds(start, now());
        if (ok && !clip.read(i, source)) ok = failed("reading the raw frames");
        if (ok &&
            pictureDifference({&clip.format, source.data(), clip.colors}, {&output, played.data(), nullptr}).empty())
            ++identical;
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
    RawClip clip;
    std::string error;
    if (!clip.open(argv[1], error)) {
        std::printf("cannot read the clip: %s\n", error.c_str());
        return 1;
    }
    const int bits = clip.format.biBitCount;
    std::printf("%s, %d-bit, %ldx%ld, %ld frames\n", clip.name.c_str(), bits, long(clip.format.biWidth),
                long(clip.format.biHeight), long(clip.frames));
    AVIFileInit();
    double writeSeconds = 0, readSeconds = 0;
    long compressedBytes = 0;
    int identical = 0;
    bool ok = record(clip, argv[2], writeSeconds) && playBack(clip, argv[2], compressedBytes, identical, readSeconds);
    AVIFileExit();
    if (!ok || compressedBytes <= 0) return 1;
    double rawBytes = double(clip.format.biSizeImage) * clip.frames;
    std::printf("  compression ratio %.1f (%.0f bytes of frames in %ld bytes)\n", rawBytes / compressedBytes, rawBytes,
                compressedBytes);
    std::printf("  recording: %.0f frames/s (AVIStreamWrite through the codec)\n", clip.frames / writeSeconds);
    std::printf("  playback:  %.0f frames/s (ICDecompress of the frames read back)\n", clip.frames / readSeconds);
    std::printf("  lossless:  %d of %ld frames came back %s\n", identical, long(clip.frames),
                bits == 32 ? "identical at 5 bits per channel" : "identical");
    return identical == clip.frames ? 0 : 1;
}
