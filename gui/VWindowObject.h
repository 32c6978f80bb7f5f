#pragma once
// Root of every window object of the framework: the window it drives and the
// owner to create that window with. The object never owns the window, so
// destroying the object leaves the window alone.
#include <windows.h>

class VWindowObject {
public:
    VWindowObject() = default;
    virtual ~VWindowObject() = default;
    VWindowObject(const VWindowObject&) = delete;
    VWindowObject& operator=(const VWindowObject&) = delete;

    // Every message of the window; the result is what the window's procedure
    // returns to the system.
    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // A spare hook of the library's interface; nothing calls it.
    virtual LRESULT handleHook(WPARAM, WPARAM, LPARAM, LPARAM) { return 0; }

    HWND getWindow() const { return window_; }
    void setWindow(HWND window) { window_ = window; }
    HWND getParent() const { return parent_; }
    void setParent(HWND parent) { parent_ = parent; }

private:
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
};
