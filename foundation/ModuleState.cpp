#include "foundation/ModuleState.h"

#include "foundation/ModuleStartup.h"
#include "foundation/VString.h"

namespace {
HINSTANCE moduleInstance = nullptr;
// Constant-initialised, so it exists before any entry point runs.
VString moduleDirectory;

constexpr DWORD MODULE_PATH_SIZE = 256;
}  // namespace

HINSTANCE getModuleInstance() { return moduleInstance; }

void getModuleDirectory(VString& out) { out = moduleDirectory; }

void setModuleInstance(HINSTANCE instance) { moduleInstance = instance; }

void moduleStartup(const char* modulePath) {
    moduleDirectory.assign(modulePath);
    int lastBackslash = moduleDirectory.reverseFind('\\');
    if (lastBackslash >= 0) moduleDirectory.setLength(lastBackslash);
}

void moduleStartupFromInstance() {
    char path[MODULE_PATH_SIZE];
    DWORD n = GetModuleFileNameA(moduleInstance, path, MODULE_PATH_SIZE);
    // A cut path may come back without a terminator.
    path[n < MODULE_PATH_SIZE ? n : MODULE_PATH_SIZE - 1] = '\0';
    moduleStartup(path);
}

void moduleShutdown() {
    moduleDirectory.clear();
    moduleInstance = nullptr;
}
