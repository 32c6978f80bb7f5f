// A DLL on the library's DllMain, exporting probes of its module state.
#include <windows.h>

#include <cstring>

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "foundation/ModuleState.h"
#include "gui/EntryPoints.h"

#define PROBE_EXPORT extern "C" __declspec(dllexport)

// The driver's AppMain returns 0; a distinct value shows dllStart passes it on.
int AppMain() { return 7; }

PROBE_EXPORT HINSTANCE probeModuleInstance() { return getModuleInstance(); }

PROBE_EXPORT int probeStart() { return dllStart(); }

PROBE_EXPORT void probeStop() { dllStop(); }

// Copies the module directory into `out` (`size` bytes, always terminated).
PROBE_EXPORT void probeModuleDirectory(char* out, int size) {
    VString directory;
    getModuleDirectory(directory);
    std::strncpy(out, directory.cStr(), static_cast<std::size_t>(size) - 1);
    out[size - 1] = '\0';
}

// Loads "BINARY" resource `id` into `out`; its size, or minus the exception
// code when loading throws.
PROBE_EXPORT int probeLoadBinary(int id, char* out, int capacity) {
    try {
        VByteBuffer buffer;
        buffer.loadResource(id);
        if (buffer.size() > capacity) return -ErrorGeneral;
        std::memcpy(out, buffer.data(), static_cast<std::size_t>(buffer.size()));
        return buffer.size();
    } catch (const VSystemException& failure) {
        return -failure.code;
    }
}
