// wizard_driver.exe [options] INSTALL_EXE
//
// Starts install.exe and walks its wizard the way a user would (Next, Next,
// wait for the installation, Finish), from inside Wine, with no window
// manager, focus or screen coordinates involved: windows are found by
// process and class, buttons pressed by message, texts read by message.
// Every observation is printed as one "key: value" line for the calling
// script to check; a step that does not happen in time prints "error: ..."
// and ends install.exe.
//
// Options:
//   --lock PATH       hold PATH open without sharing while the installer runs
//   --lock-native PATH  the same with file-system redirection off: a file of
//                     the native system directory on 64-bit Windows
//   --back-and-forth  on the licence page: scroll, go Back and Next again,
//                     and report whether the page kept its text and scroll
//   --cancel          leave the finished Setup page with Cancel, not Finish
//   --pause-dir DIR   once each page has settled, write DIR\page-N.ready
//                     (the wizard's screen rectangle) and wait for DIR\page-N.go
//   --options ARGS    no wizard: run INSTALL_EXE ARGS to its end, report every
//                     window it shows ("windows: N"), close its message
//                     boxes with OK ("box: ..."), and report its exit code
//
// Exit code: 0 when every step happened, 1 otherwise.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The wizard's own buttons (comctl32's template ids).
constexpr int ID_BACK = 0x3023;
constexpr int ID_NEXT = 0x3024;
constexpr int ID_FINISH = 0x3025;
// Setup page controls, as in install.rc.
constexpr int ID_LICENSE_TEXT = 1001;
constexpr int ID_FINISH_HINT = 1004;
constexpr int ID_OS_NAME = 1005;
constexpr int ID_OS_VERSION = 1006;
constexpr int ID_RESULT = 1009;
constexpr int ID_COPY_STATUS = 1007;
constexpr int ID_REGISTER_STATUS = 1008;
// The status marks: not done, done.
constexpr int ICON_PENDING = 106;
constexpr int ICON_DONE = 107;

constexpr DWORD POLL_MS = 20;
constexpr DWORD STEP_LIMIT_MS = 20000;
constexpr DWORD PAUSE_LIMIT_MS = 60000;
constexpr UINT SEND_LIMIT_MS = 5000;

struct Options {
    std::string lockPath;
    bool lockNative = false;
    bool backAndForth = false;
    bool cancel = false;
    std::string pauseDir;
    std::string installer;
    std::string installerOptions;
    bool withOptions = false;
};

// Polls `ready` until it holds or `limitMs` passes.
template <typename Condition>
bool waitUntil(Condition ready, DWORD limitMs = STEP_LIMIT_MS) {
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > limitMs) return false;
        Sleep(POLL_MS);
    }
    return true;
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, SEND_LIMIT_MS, &answer)) return 0;
    return static_cast<LRESULT>(answer);
}

// WM_GETTEXT rather than GetWindowTextA: an edit control of another process
// keeps its text to itself otherwise.
std::string textOf(HWND window) {
    if (window == nullptr) return "<no control>";
    int length = static_cast<int>(sendTo(window, WM_GETTEXTLENGTH, 0, 0));
    std::vector<char> text(length + 1);
    sendTo(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
}

// Line breaks written out, so that each observation stays on one line.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool usable(HWND button) { return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button); }

std::string classOf(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    DWORD processId;
    bool owned;
    HWND found;
};

BOOL CALLBACK matchDialogWindow(HWND window, LPARAM context) {
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    bool hasOwner = GetWindow(window, GW_OWNER) != nullptr;
    if (processId != search.processId || !IsWindowVisible(window) || classOf(window) != "#32770" ||
        hasOwner != search.owned)
        return TRUE;
    search.found = window;
    return FALSE;
}

// A message box's text: its static controls that hold text.
BOOL CALLBACK collectStaticText(HWND child, LPARAM context) {
    std::string text = textOf(child);
    if (classOf(child) == "Static" && !text.empty()) *reinterpret_cast<std::string*>(context) += text;
    return TRUE;
}

// The pixels of a screen rectangle as the X server shows them, or of an icon
// drawn the way a static control draws it: stretched over the control, on
// the control's background.
class Pixels {
public:
    Pixels(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        context_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(context_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(context_, bitmap_);
    }
    ~Pixels() {
        SelectObject(context_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(context_);
    }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    void captureScreen(int left, int top) {
        HDC screen = GetDC(nullptr);
        BitBlt(context_, 0, 0, width_, height_, screen, left, top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    void drawIcon(HICON icon, DWORD background) {
        std::fill(bits_, bits_ + width_ * height_, background);
        DrawIconEx(context_, 0, 0, icon, width_, height_, 0, nullptr, DI_NORMAL);
        GdiFlush();
    }
    DWORD at(int x, int y) const { return bits_[y * width_ + x] & 0xFFFFFF; }
    bool operator==(const Pixels& other) const {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            if ((bits_[i] & 0xFFFFFF) != (other.bits_[i] & 0xFFFFFF)) return false;
        return true;
    }

private:
    int width_, height_;
    HDC context_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    DWORD* bits_ = nullptr;
};

// Which status mark a static icon control shows on screen, and at what
// size: "106 16x16", "107 16x16", or "unknown". The marks come from
// install.exe's own resources, drawn at the control's size.
std::string statusMarkShown(HWND control, HMODULE installer) {
    RECT rect;
    GetWindowRect(control, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return "unknown";
    Pixels shown(width, height);
    shown.captureScreen(rect.left, rect.top);
    for (int id : {ICON_PENDING, ICON_DONE}) {
        HICON icon =
            static_cast<HICON>(LoadImageA(installer, MAKEINTRESOURCEA(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
        if (icon == nullptr) continue;
        Pixels expected(width, height);
        expected.drawIcon(icon, shown.at(0, 0));  // both marks leave the corner transparent
        DestroyIcon(icon);
        if (shown == expected) return std::to_string(id) + " " + std::to_string(width) + "x" + std::to_string(height);
    }
    return "unknown " + std::to_string(width) + "x" + std::to_string(height);
}

class WizardRun {
public:
    explicit WizardRun(const Options& options) : options_(options) {}
    ~WizardRun() {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    bool run() { return start() && welcomePage() && licensePage() && setupPage() && leave(); }

private:
    bool fail(const char* what) {
        std::printf("error: %s\n", what);
        return false;
    }

    bool start() {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + options_.installer + "\"";
        if (!CreateProcessA(options_.installer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process_))
            return fail("install.exe did not start");
        if (!waitUntil([&] { return (sheet_ = findWindow(false)) != nullptr; })) return fail("no wizard window");
        return true;
    }

    // A visible dialog window of install.exe: the wizard has no owner, a
    // message box is owned by the wizard.
    HWND findWindow(bool owned) const {
        WindowSearch search{process_.dwProcessId, owned, nullptr};
        EnumWindows(matchDialogWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HWND currentPage() const { return reinterpret_cast<HWND>(sendTo(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    HWND pageItem(int id) const { return GetDlgItem(currentPage(), id); }

    bool waitForPage(const char* title) {
        if (!waitUntil([&] { return textOf(sheet_) == title && currentPage() != nullptr; })) {
            std::printf("error: page \"%s\" did not appear (caption \"%s\")\n", title, textOf(sheet_).c_str());
            return false;
        }
        std::printf("page: %s\n", title);
        return true;
    }

    // Button changes are posted by the pages, so give them time to arrive
    // before reporting; the report shows what was there in the end.
    void reportButtons(bool back, bool next, bool finish) {
        auto state = [&] {
            return std::vector<bool>{usable(GetDlgItem(sheet_, ID_BACK)), usable(GetDlgItem(sheet_, ID_NEXT)),
                                     usable(GetDlgItem(sheet_, ID_FINISH))};
        };
        waitUntil([&] { return state() == std::vector<bool>{back, next, finish}; }, 5000);
        std::vector<bool> seen = state();
        std::printf("buttons: back=%d next=%d finish=%d\n", int(seen[0]), int(seen[1]), int(seen[2]));
    }

    void press(int button) { PostMessageA(sheet_, PSM_PRESSBUTTON, button, 0); }

    // Lets a screenshot script photograph the settled page.
    bool pause(int page) {
        if (options_.pauseDir.empty()) return true;
        RECT rect;
        GetWindowRect(sheet_, &rect);
        std::string base = options_.pauseDir + "\\page-" + std::to_string(page);
        FILE* ready = std::fopen((base + ".ready").c_str(), "w");
        if (ready == nullptr) return fail("cannot write to the pause directory");
        std::fprintf(ready, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        std::fclose(ready);
        std::string go = base + ".go";
        if (!waitUntil([&] { return GetFileAttributesA(go.c_str()) != INVALID_FILE_ATTRIBUTES; }, PAUSE_LIMIT_MS))
            return fail("no go from the screenshot script");
        return true;
    }

    bool welcomePage() {
        if (!waitForPage("Welcome")) return false;
        reportButtons(false, true, false);
        if (!pause(1)) return false;
        press(PSBTN_NEXT);
        return true;
    }

    bool licensePage() {
        if (!waitForPage("Software License Agreement")) return false;
        HWND edit = pageItem(ID_LICENSE_TEXT);
        std::printf("licence-length: %zu\n", textOf(edit).size());
        reportButtons(true, true, false);
        if (options_.backAndForth && !backAndForth(edit)) return false;
        if (!pause(2)) return false;
        press(PSBTN_NEXT);
        return true;
    }

    // The page window lives on while the user is elsewhere: text and scroll
    // position survive a visit to the previous page.
    bool backAndForth(HWND edit) {
        sendTo(edit, EM_LINESCROLL, 0, 5);
        LRESULT before = sendTo(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
        press(PSBTN_BACK);
        if (!waitForPage("Welcome")) return false;
        press(PSBTN_NEXT);
        if (!waitForPage("Software License Agreement")) return false;
        HWND again = pageItem(ID_LICENSE_TEXT);
        std::printf("licence-same-window: %d\n", int(again == edit));
        std::printf("licence-scroll: before=%ld after=%ld\n", long(before),
                    long(sendTo(again, EM_GETFIRSTVISIBLELINE, 0, 0)));
        std::printf("licence-length-after-return: %zu\n", textOf(again).size());
        return true;
    }

    // The installation runs by itself; error boxes are reported and closed
    // until the result text appears.
    bool setupPage() {
        if (!waitForPage("Setup")) return false;
        bool finished = waitUntil([&] {
            if (HWND box = findWindow(true)) closeErrorBox(box);
            return !textOf(pageItem(ID_RESULT)).empty();
        });
        if (!finished) return fail("the installation did not finish");
        std::printf("os-name: %s\n", escaped(textOf(pageItem(ID_OS_NAME))).c_str());
        std::printf("os-version: %s\n", escaped(textOf(pageItem(ID_OS_VERSION))).c_str());
        std::printf("result: %s\n", textOf(pageItem(ID_RESULT)).c_str());
        reportButtons(false, false, true);
        std::printf("finish-hint: %s\n", IsWindowVisible(pageItem(ID_FINISH_HINT)) ? "visible" : "hidden");
        reportStatusMarks();
        return pause(3);
    }

    // The page repaints once the last step has run: report the marks when two
    // looks a moment apart agree.
    void reportStatusMarks() {
        HMODULE installer = LoadLibraryExA(options_.installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        std::string copy, registration;
        waitUntil(
            [&] {
                std::string lastCopy = copy, lastRegistration = registration;
                copy = statusMarkShown(pageItem(ID_COPY_STATUS), installer);
                registration = statusMarkShown(pageItem(ID_REGISTER_STATUS), installer);
                Sleep(200);
                return copy == lastCopy && registration == lastRegistration && copy != "unknown" &&
                       registration != "unknown";
            },
            5000);
        if (installer != nullptr) FreeLibrary(installer);
        std::printf("copy-mark: %s\n", copy.c_str());
        std::printf("register-mark: %s\n", registration.c_str());
    }

    void closeErrorBox(HWND box) {
        std::string text;
        EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
        std::printf("box: %s|%s\n", textOf(box).c_str(), escaped(text).c_str());
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    }

    bool leave() {
        press(options_.cancel ? PSBTN_CANCEL : PSBTN_FINISH);
        if (WaitForSingleObject(process_.hProcess, STEP_LIMIT_MS) != WAIT_OBJECT_0)
            return fail("install.exe did not end");
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        std::printf("exit: %lu\n", code);
        return true;
    }

    const Options& options_;
    PROCESS_INFORMATION process_{};
    HWND sheet_ = nullptr;
};

// Every visible top-level window of a process.
struct ShownWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK collectShownWindow(HWND window, LPARAM context) {
    ShownWindows& shown = *reinterpret_cast<ShownWindows*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == shown.processId && IsWindowVisible(window)) shown.windows.push_back(window);
    return TRUE;
}

// install.exe with options: no wizard to walk; its windows are counted and
// its message boxes answered until it ends.
bool runWithOptions(const Options& options) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + options.installer + "\" " + options.installerOptions;
    if (!CreateProcessA(options.installer.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("error: install.exe did not start\n");
        return false;
    }
    std::vector<HWND> seen;
    bool ended = waitUntil([&] {
        ShownWindows shown{process.dwProcessId, {}};
        EnumWindows(collectShownWindow, reinterpret_cast<LPARAM>(&shown));
        for (HWND window : shown.windows) {
            if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
            seen.push_back(window);
            std::string text;
            EnumChildWindows(window, collectStaticText, reinterpret_cast<LPARAM>(&text));
            std::printf("box: %s|%s\n", textOf(window).c_str(), escaped(text).c_str());
            PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
        }
        return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    });
    if (!ended) TerminateProcess(process.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("windows: %u\n", static_cast<unsigned>(seen.size()));
    std::printf("exit: %lu\n", code);
    if (!ended) std::printf("error: install.exe did not end\n");
    return ended;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if ((arg == "--lock" || arg == "--lock-native") && hasValue) {
            options.lockNative = arg == "--lock-native";
            options.lockPath = argv[++i];
        } else if (arg == "--pause-dir" && hasValue) {
            options.pauseDir = argv[++i];
        } else if (arg == "--options" && hasValue) {
            options.installerOptions = argv[++i];
            options.withOptions = true;
        } else if (arg == "--back-and-forth") {
            options.backAndForth = true;
        } else if (arg == "--cancel") {
            options.cancel = true;
        } else if (options.installer.empty() && !arg.empty() && arg[0] != '-') {
            options.installer = arg;
        } else {
            return false;
        }
    }
    return !options.installer.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: wizard_driver [--lock PATH | --lock-native PATH] [--back-and-forth] [--cancel] "
                     "[--pause-dir DIR] [--options ARGS] "
                     "INSTALL_EXE\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (!options.lockPath.empty()) {
        void* redirection = nullptr;
        bool native = options.lockNative && Wow64DisableWow64FsRedirection(&redirection);
        lock = CreateFileA(options.lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (native) Wow64RevertWow64FsRedirection(redirection);
        if (lock == INVALID_HANDLE_VALUE) {
            std::printf("error: cannot lock %s\n", options.lockPath.c_str());
            return 1;
        }
        std::printf("locked: %s\n", options.lockPath.c_str());
    }
    bool completed = options.withOptions ? runWithOptions(options) : WizardRun(options).run();
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    return completed ? 0 : 1;
}
