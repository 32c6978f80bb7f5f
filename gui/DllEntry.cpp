// The driver DLL's entry: DllMain records the instance; the driver starts and
// stops the module state at DRV_LOAD and DRV_FREE.
#include <windows.h>

#include "foundation/ModuleStartup.h"
#include "gui/EntryPoints.h"

#if defined(__GLIBCXX__)
// The C++ runtime linked into the file takes its emergency exception pool
// (19 KiB) from the heap at load and never gives it back itself; this frees it.
namespace __gnu_cxx {
void __freeres();
}
#endif

// C linkage, so the runtime's library start calls this one and not its own
// default DllMain.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) setModuleInstance(instance);
#if defined(__GLIBCXX__)
    // Programs load and unload the driver at every open and close; at
    // process exit (reserved not null) the heap goes anyway.
    if (reason == DLL_PROCESS_DETACH && !reserved) __gnu_cxx::__freeres();
#endif
    return TRUE;
}

int dllStart() {
    startModule();
    return AppMain();
}

void dllStop() { moduleShutdown(); }
