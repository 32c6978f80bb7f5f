// The driver DLL's entry: DllMain records the instance; the driver starts and
// stops the module state at DRV_LOAD and DRV_FREE.
#include <windows.h>

#include "gui/ModuleStartup.h"
#include "gui/ModuleState.h"

// C linkage, so the runtime's library start calls this one and not its own
// default DllMain.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) setModuleInstance(instance);
    return TRUE;
}

int dllStart() {
    moduleStartupFromInstance();
    return AppMain();
}

void dllStop() { moduleShutdown(); }
