// A program on the library's WinMain whose AppMain does what its command line
// asks: "--exit=N" returns N, "--throw" lets a VSystemException escape.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "foundation/VSystemException.h"
#include "gui/EntryPoints.h"

int AppMain() {
    const char* commandLine = GetCommandLineA();
    if (std::strstr(commandLine, "--throw") != nullptr) throw VSystemException(ErrorGui, 4242, "EntryProbe");
    const char* exitCode = std::strstr(commandLine, "--exit=");
    return exitCode == nullptr ? -1 : std::atoi(exitCode + 7);
}
