// Opens the codec's Setup or About dialog through the Video Compression
// Manager, as a program would, and saves what the screen shows of it as a
// 24-bit BMP: the pictures of the dialogs in the documentation.
//
// usage: dialog_screenshot setup|about OUT.bmp   (exit code 0 when saved)
#include <windows.h>
#include <vfw.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr DWORD WAIT_LIMIT_MS = 20000;
constexpr DWORD POLL_MS = 20;

HWND waitForDialog(const char* title) {
    for (DWORD waited = 0; waited < WAIT_LIMIT_MS; waited += POLL_MS) {
        HWND window = FindWindowA("#32770", title);
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(POLL_MS);
    }
    return nullptr;
}

// The window's pixels as the screen shows them, bottom-up rows of BGR.
bool saveWindowPicture(HWND window, const char* path) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    header.biSizeImage = static_cast<DWORD>(stride * height);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP picture =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY) != FALSE;
    GdiFlush();

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = copied ? std::fopen(path, "wb") : nullptr;
    bool saved = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 && std::fwrite(bits, header.biSizeImage, 1, out) == 1;
    if (out != nullptr) saved = std::fclose(out) == 0 && saved;

    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "setup") != 0 && std::strcmp(argv[1], "about") != 0)) {
        std::fprintf(stderr, "usage: dialog_screenshot setup|about OUT.bmp\n");
        return 2;
    }
    bool setup = std::strcmp(argv[1], "setup") == 0;
    HIC codec = ICOpen(ICTYPE_VIDEO, mmioFOURCC('D', 'R', 'A', 'V'), ICMODE_QUERY);
    if (codec == nullptr) {
        std::fprintf(stderr, "the DRAV codec is not installed\n");
        return 1;
    }
    bool saved = false;
    std::thread photographer([&] {
        HWND dialog = waitForDialog(setup ? "DRAV Setup" : "DRAV About");
        if (dialog == nullptr) return;
        // Painted completely once the dialog's thread has answered.
        RedrawWindow(dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SendMessageA(dialog, WM_NULL, 0, 0);
        saved = saveWindowPicture(dialog, argv[2]);
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    if (setup) {
        ICConfigure(codec, nullptr);
    } else {
        ICAbout(codec, nullptr);
    }
    photographer.join();
    ICClose(codec);
    return saved ? 0 : 1;
}
