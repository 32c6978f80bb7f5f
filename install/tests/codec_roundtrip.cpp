// codec_roundtrip.exe: reaches the installed codec the way every program
// does, through the Video Compression Manager by type and handler
// (ICOpen 'vidc' 'DRAV'), compresses a 16-bit screen-like frame and a changed
// second frame, decompresses both and checks that every pixel came back.
// Prints "codec: <description>" and "roundtrip: ..."; exit code 0 when the
// frames came back identical.
// With --toggle-conversion it instead opens the codec's Setup dialog
// (ICConfigure), clicks "Disable color depth conversion" and OK, as a user of
// this host would; exit code 0 when the dialog was there and took it.
#include <windows.h>
#include <vfw.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD HANDLER = mmioFOURCC('D', 'R', 'A', 'V');
constexpr LONG WIDTH = 96;
constexpr LONG HEIGHT = 64;

struct Format {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

Format rgb555Format() {
    Format format{};
    format.header.biSize = sizeof(BITMAPINFOHEADER);
    format.header.biWidth = WIDTH;
    format.header.biHeight = HEIGHT;
    format.header.biPlanes = 1;
    format.header.biBitCount = 16;
    format.header.biCompression = BI_RGB;
    format.header.biSizeImage = WIDTH * HEIGHT * 2;
    return format;
}

// A window-like picture: a title bar, a text area with lines of "glyphs",
// and a caret whose place depends on `frame`.
std::vector<WORD> screenFrame(int frame) {
    std::vector<WORD> pixels(WIDTH * HEIGHT, 0x7FFF);
    for (LONG y = 0; y < HEIGHT; ++y) {
        for (LONG x = 0; x < WIDTH; ++x) {
            WORD& p = pixels[(HEIGHT - 1 - y) * WIDTH + x];
            if (y < 8)
                p = 0x0010;
            else if (y % 10 >= 4 && y % 10 <= 7 && (x * 7 + y * 3) % 11 < 5)
                p = 0x0000;
        }
    }
    for (LONG y = 20; y < 28; ++y) pixels[(HEIGHT - 1 - y) * WIDTH + 10 + frame * 3] = 0x7C00;
    return pixels;
}

class Codec {
public:
    explicit Codec(UINT mode) : hic_(ICOpen(ICTYPE_VIDEO, HANDLER, mode)) {}
    ~Codec() {
        if (hic_ != nullptr) ICClose(hic_);
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
    HIC get() const { return hic_; }

private:
    HIC hic_;
};

// The Setup dialog of the codec, driven from a second thread while
// ICConfigure runs it modally on the first.
constexpr char SETUP_TITLE[] = "DRAV Setup";
constexpr int DISABLE_CONVERSION_BOX = 1013;

DWORD WINAPI clickConversionAndOk(void*) {
    for (int tries = 0; tries < 500; ++tries) {
        HWND setup = FindWindowA(nullptr, SETUP_TITLE);
        if (setup != nullptr && IsWindowVisible(setup)) {
            SendMessageA(GetDlgItem(setup, DISABLE_CONVERSION_BOX), BM_CLICK, 0, 0);
            PostMessageA(GetDlgItem(setup, IDOK), BM_CLICK, 0, 0);
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

int toggleConversion() {
    HIC codec = ICOpen(ICTYPE_VIDEO, HANDLER, ICMODE_QUERY);
    if (codec == nullptr) return 1;
    HANDLE driver = CreateThread(nullptr, 0, clickConversionAndOk, nullptr, 0, nullptr);
    LRESULT answer = ICConfigure(codec, nullptr);
    DWORD clicked = 0;
    WaitForSingleObject(driver, INFINITE);
    GetExitCodeThread(driver, &clicked);
    CloseHandle(driver);
    ICClose(codec);
    std::printf("setup: %s, answer %ld\n", clicked ? "clicked" : "not found", static_cast<long>(answer));
    return clicked && answer == 1 ? 0 : 1;  // 1: closed with OK
}

int fail(const char* what) {
    std::printf("roundtrip: failed: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 2 && std::strcmp(argv[1], "--toggle-conversion") == 0) return toggleConversion();
    Codec compressor(ICMODE_COMPRESS);
    Codec decompressor(ICMODE_DECOMPRESS);
    if (compressor.get() == nullptr || decompressor.get() == nullptr)
        return fail("ICOpen('vidc', 'DRAV') found no codec");

    ICINFO info{};
    info.dwSize = sizeof info;
    if (ICGetInfo(compressor.get(), &info, sizeof info) == 0) return fail("ICGetInfo");
    char description[128] = "";
    WideCharToMultiByte(CP_ACP, 0, info.szDescription, -1, description, sizeof description, nullptr, nullptr);
    std::printf("codec: %s\n", description);

    Format input = rgb555Format();
    Format compressed{};
    if (ICCompressGetFormat(compressor.get(), &input, &compressed) != ICERR_OK) return fail("ICCompressGetFormat");
    std::vector<BYTE> packed(ICCompressGetSize(compressor.get(), &input, &compressed));
    if (packed.empty() || ICCompressBegin(compressor.get(), &input, &compressed) != ICERR_OK)
        return fail("ICCompressBegin");
    Format output = rgb555Format();
    if (ICDecompressBegin(decompressor.get(), &compressed, &output) != ICERR_OK) return fail("ICDecompressBegin");

    for (int frame = 0; frame < 2; ++frame) {
        std::vector<WORD> picture = screenFrame(frame);
        DWORD flags = 0, chunkId = 0;
        compressed.header.biSizeImage = static_cast<DWORD>(packed.size());
        if (ICCompress(compressor.get(), frame == 0 ? ICCOMPRESS_KEYFRAME : 0, &compressed.header, packed.data(),
                       &input.header, picture.data(), &chunkId, &flags, frame, 0, 0, nullptr, nullptr) != ICERR_OK)
            return fail("ICCompress");
        std::vector<WORD> decoded(picture.size(), 0xFFFF);
        if (ICDecompress(decompressor.get(), 0, &compressed.header, packed.data(), &output.header, decoded.data()) !=
            ICERR_OK)
            return fail("ICDecompress");
        bool same = std::memcmp(decoded.data(), picture.data(), picture.size() * sizeof(WORD)) == 0;
        std::printf("roundtrip: frame %d: %lu bytes -> %lu bytes, %s\n", frame,
                    static_cast<unsigned long>(picture.size() * sizeof(WORD)),
                    static_cast<unsigned long>(compressed.header.biSizeImage), same ? "identical" : "DIFFERENT");
        if (!same) return 1;
    }
    ICCompressEnd(compressor.get());
    ICDecompressEnd(decompressor.get());
    return 0;
}
