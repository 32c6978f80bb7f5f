#pragma once
// Module-wide state of one deliverable (the driver DLL or install.exe): its
// instance handle, which resources load from, and its directory. The window
// framework's entry points set it up (gui/EntryPoints.h).
#include <windows.h>

class VString;

// The instance handle of this program file; null before start and after stop.
HINSTANCE getModuleInstance();
// The directory of this program file, without a trailing backslash.
void getModuleDirectory(VString& out);
