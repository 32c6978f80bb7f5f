#pragma once
// A 32-bit program on 64-bit Windows (WoW64) sees a system directory and a
// registry view of its own; these reach the native ones. The functions are
// looked up at run time, so a program using them still loads on Windows 9x
// and NT 4, where none of this exists.
#include <windows.h>

// True for a 32-bit process on 64-bit Windows; false for a native process,
// and on systems without IsWow64Process.
bool runsUnderWow64();

// The registry flag that opens the native (64-bit) view from a WoW64
// process; 0 elsewhere, where the flag is not needed and older systems may
// not accept it.
REGSAM nativeRegistryView();

// File-system redirection turned off for the thread while the object lives,
// so that the system directory is the native one. Does nothing outside
// WoW64; `active()` tells whether redirection is off.
class NativeFileSystem {
public:
    NativeFileSystem();
    ~NativeFileSystem();
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;
    bool active() const { return active_; }

private:
    void* oldValue_ = nullptr;
    bool active_ = false;
};
