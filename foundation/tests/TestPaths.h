#pragma once
// Where the test executable and its helper programs live.
#include <windows.h>

#include <string>

inline std::string executableDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, n);
    return text.substr(0, text.rfind('\\'));
}

inline std::string besideExecutable(const char* name) { return executableDirectory() + "\\" + name; }
