#pragma once
// A string of the module's string table as a value; raises VSystemException
// (ErrorWindowsSystem) when it cannot be loaded.
#include "foundation/VString.h"

inline VString resourceString(int stringId) {
    VString text;
    text.loadString(stringId);
    return text;
}
