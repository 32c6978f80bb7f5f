#pragma once
// Start-up and shut-down of the module state, for the entry points (and the
// tests that drive them).
#include <windows.h>

void setModuleInstance(HINSTANCE instance);
// The module directory becomes `modulePath` cut at its last backslash.
void moduleStartup(const char* modulePath);
// moduleStartup with the module instance's own file name.
void moduleStartupFromInstance();
void moduleShutdown();
