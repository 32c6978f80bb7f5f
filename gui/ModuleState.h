#pragma once
// Module-wide state of one deliverable (the driver DLL or install.exe): its
// instance handle and directory, set up by the library's entry points.
#include <windows.h>

class VString;

// The instance handle of this program file; null before start and after stop.
HINSTANCE getModuleInstance();
// The directory of this program file, without a trailing backslash.
void getModuleDirectory(VString& out);

// The driver's start and stop, at DRV_LOAD and DRV_FREE. dllStart returns
// AppMain's result and lets a VSystemException pass.
int dllStart();
void dllStop();

// Supplied by each deliverable: the body of the program (WinMain) or the
// driver's start-up (dllStart).
int AppMain();
