#pragma once
// Built files named by the test's environment or the build, and the version their version
// resource carries, read the way Windows reads it.
#include <windows.h>

#include <cstdlib>
#include <string>

// A Unix path as the Wine prefix sees it (drive Z:).
inline std::string unixPathAsWindows(const char* path) {
    std::string windows = std::string("Z:") + (path != nullptr ? path : "");
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

// The file that environment variable `variable` names by its Unix path.
inline std::string unixFileAsWindows(const char* variable) { return unixPathAsWindows(std::getenv(variable)); }

// The driver file of this build (its path is compiled in).
inline std::string builtDriverFile() { return unixPathAsWindows(DRAV_DRIVER_FILE); }

// The file version of `file`'s version resource as "major.minor.patch.build",
// or "<none>".
inline std::string fileVersionOf(const std::string& file) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length))
        return "<none>";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}
