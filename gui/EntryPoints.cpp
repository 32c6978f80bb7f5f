#include "gui/EntryPoints.h"

#include <windows.h>

#include <commctrl.h>

#include "foundation/ModuleStartup.h"

void startModule() {
    moduleStartupFromInstance();
    InitCommonControls();
}
