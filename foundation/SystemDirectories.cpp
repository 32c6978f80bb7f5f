#include "foundation/SystemDirectories.h"

#include <windows.h>

#include "foundation/VString.h"

namespace {
using DirectoryQuery = UINT(WINAPI*)(LPSTR, UINT);

// A result of 0 is a failure and one of MAX_PATH or more the size the system
// would need; in both cases the buffer was not filled.
void assignDirectory(VString& result, DirectoryQuery query) {
    char buffer[MAX_PATH];
    UINT n = query(buffer, MAX_PATH);
    result.assign(n > 0 && n < MAX_PATH ? buffer : "");
}
}  // namespace

void getSystemDirectory(VString& result) { assignDirectory(result, GetSystemDirectoryA); }

void getWindowsDirectory(VString& result) { assignDirectory(result, GetWindowsDirectoryA); }
