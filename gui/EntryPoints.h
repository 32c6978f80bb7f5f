#pragma once
// The entry points of both deliverables: WinMain (install.exe), DllMain and the
// driver's start and stop. They set up the module state of
// foundation/ModuleState.h.

// The driver's start and stop, at DRV_LOAD and DRV_FREE. dllStart returns
// AppMain's result and lets a VSystemException pass.
int dllStart();
void dllStop();

// Supplied by each deliverable: the body of the program (WinMain) or the
// driver's start-up (dllStart).
int AppMain();

// For the entry points: module start-up from the instance's own file name,
// then the common controls that the dialogs use.
void startModule();
