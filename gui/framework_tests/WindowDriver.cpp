#include "WindowDriver.h"

#include <gtest/gtest.h>

namespace {
constexpr DWORD POLL_MS = 20;
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

struct WindowSearch {
    const char* title;
    const char* className;
    HWND found;
};

// The title as the system keeps it, without sending WM_GETTEXT: a search from
// a second thread must never wait for the test thread, which may itself be
// waiting for the search to end.
std::string storedTitle(HWND window) {
    wchar_t wide[256] = L"";
    InternalGetWindowText(window, wide, 256);
    char text[512] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

bool ownedByThisProcess(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == GetCurrentProcessId();
}

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!ownedByThisProcess(window) || !IsWindowVisible(window)) return TRUE;
    if (storedTitle(window) != search->title) return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (search->className != nullptr && std::string(className) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

// Only visible dialogs: the process also has hidden windows of the system's
// own, which must not be closed.
BOOL CALLBACK abandonWindow(HWND window, LPARAM) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (!ownedByThisProcess(window) || !IsWindowVisible(window) || std::string(className) != "#32770") return TRUE;
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}
}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) return false;
        Sleep(POLL_MS);
    }
    return true;
}

HWND waitForWindow(const char* title, const char* className, DWORD limitMs) {
    WindowSearch search{title, className, nullptr};
    waitUntil(
        [&] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        limitMs);
    return search.found;
}

HWND requireWindow(const char* title, const char* className) {
    HWND window = waitForWindow(title, className);
    if (window == nullptr) {
        ADD_FAILURE() << "no window \"" << title << "\" appeared";
        abandonWindows();
    }
    return window;
}

bool waitForWindowGone(HWND window) {
    return waitUntil([&] { return !IsWindow(window); });
}

void abandonWindows() { EnumWindows(abandonWindow, 0); }

std::string windowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string itemText(HWND dialog, int controlId) { return windowText(GetDlgItem(dialog, controlId)); }

std::string iconSize(LRESULT icon) {
    ICONINFO info{};
    if (!GetIconInfo(reinterpret_cast<HICON>(icon), &info)) return "none";
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    // A monochrome icon keeps its picture in the mask's lower half.
    int height = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    return std::to_string(mask.bmWidth) + "x" + std::to_string(height);
}

LONG fontWeight(HWND control) {
    LOGFONTA font{};
    if (GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font) == 0)
        return 0;
    return font.lfWeight;
}

std::string messageBoxText(HWND box) { return itemText(box, MESSAGE_BOX_TEXT_ID); }

std::string closeMessageBox(const char* caption) {
    HWND box = requireWindow(caption, "#32770");
    if (box == nullptr) return "";
    std::string text = messageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitForWindowGone(box);
    return text;
}

void clickButton(HWND dialog, int controlId) { PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0); }

MessageBoxCloser::MessageBoxCloser(const char* caption) : caption_(caption), thread_([this] { watch(); }) {}

MessageBoxCloser::~MessageBoxCloser() { stop(); }

std::vector<std::string> MessageBoxCloser::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    return texts_;
}

void MessageBoxCloser::watch() {
    while (!stopping_) {
        HWND box = waitForWindow(caption_.c_str(), "#32770", POLL_MS);
        if (box == nullptr) continue;
        texts_.push_back(messageBoxText(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        waitForWindowGone(box);
    }
}
