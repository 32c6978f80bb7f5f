// Runs GoogleTest as the program body behind the library's own WinMain, so
// the tests see the module instance and directory exactly as install.exe does.
#include <windows.h>

#include <gtest/gtest.h>

#include "gui/EntryPoints.h"

namespace {
int savedArgc = 0;
char** savedArgv = nullptr;
}  // namespace

int AppMain() {
    testing::InitGoogleTest(&savedArgc, savedArgv);
    return RUN_ALL_TESTS();
}

int main(int argc, char** argv) {
    savedArgc = argc;
    savedArgv = argv;
    return WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
}
