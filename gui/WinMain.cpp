// The program entry of install.exe: runs AppMain between module start-up and
// shut-down, and shows a VSystemException that escapes it.
#include <windows.h>

#include "foundation/ModuleStartup.h"
#include "foundation/VSystemException.h"
#include "gui/EntryPoints.h"

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    setModuleInstance(instance);
    try {
        startModule();
        int code = AppMain();
        moduleShutdown();
        return code;
    } catch (const VSystemException& failure) {
        failure.show();
        return 0;
    }
}
