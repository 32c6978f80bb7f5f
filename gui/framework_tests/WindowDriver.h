#pragma once
// Driving this process's windows from a second thread while the test thread
// sits in a modal loop (a dialog, a property sheet or a message box). Windows
// are awaited by title with a time limit, polling, never by fixed sleeps.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

inline constexpr DWORD WAIT_LIMIT_MS = 20000;

// Windows need an X display (Xvfb in CI).
inline bool haveDisplay() { return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0; }

// A visible top-level window of this process with `title` (and of
// `className` when given); null after the limit.
HWND waitForWindow(const char* title, const char* className = nullptr, DWORD limitMs = WAIT_LIMIT_MS);
// waitForWindow that records a test failure and ends the process's modal
// loops when the window does not come, so the test fails instead of hanging.
HWND requireWindow(const char* title, const char* className = nullptr);
// Polls `condition` every 20 ms; false after the limit.
bool waitUntil(const std::function<bool()>& condition, DWORD limitMs = WAIT_LIMIT_MS);
bool waitForWindowGone(HWND window);

// Posts Cancel and Close to every visible dialog window of this process.
void abandonWindows();

std::string windowText(HWND window);
std::string itemText(HWND dialog, int controlId);
// "WxH" of an icon as the system holds it; "none" for a handle that is no
// icon, or no longer one.
std::string iconSize(LRESULT icon);
// The weight of the font a control draws with (WM_GETFONT); 0 for none.
LONG fontWeight(HWND control);
// A message box's text (its static control, id 0xFFFF).
std::string messageBoxText(HWND box);
// Waits for the message box titled `caption`, closes it with OK and returns
// its text ("" when none came).
std::string closeMessageBox(const char* caption);
// Posts BM_CLICK to a button of `dialog`.
void clickButton(HWND dialog, int controlId);

// Runs `script` on a second thread; the destructor waits for it.
class BackgroundScript {
public:
    explicit BackgroundScript(std::function<void()> script) : thread_(std::move(script)) {}
    ~BackgroundScript() {
        if (thread_.joinable()) thread_.join();
    }
    BackgroundScript(const BackgroundScript&) = delete;
    BackgroundScript& operator=(const BackgroundScript&) = delete;

private:
    std::thread thread_;
};

// Closes every message box with `caption` that this process shows, and
// keeps their texts. Boxes are modal: once the call that showed them has
// returned, every one of them has been seen.
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(const char* caption);
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    // Stops watching and returns the texts of the boxes closed.
    std::vector<std::string> stop();

private:
    void watch();

    std::string caption_;
    std::atomic<bool> stopping_{false};
    std::vector<std::string> texts_;
    std::thread thread_;
};
