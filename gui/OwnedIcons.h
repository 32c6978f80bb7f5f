#pragma once
// The icons a dialog object loaded for its controls and its caption. Each is
// loaded unshared at exactly the size asked for (the system's shared copy of
// an icon is whichever size was loaded first) and destroyed when a control
// hands it back on replacement, or with the object.
#include <windows.h>

#include "foundation/VDynArray.h"

// Icon `iconId` of the module, unshared, at size x size; null when there is
// none. The caller destroys it.
HICON loadModuleIcon(int iconId, int size);

class OwnedIcons {
public:
    OwnedIcons() = default;
    ~OwnedIcons();
    OwnedIcons(const OwnedIcons&) = delete;
    OwnedIcons& operator=(const OwnedIcons&) = delete;

    // loadModuleIcon, kept here.
    HICON load(int iconId, int size);
    // The image a control answered a replacement with: destroyed when it is
    // one of these; anything else (a template's shared icon) is left alone.
    void handBack(LRESULT previous);

private:
    int freeEntry();

    VDynArray<HICON> icons_;  // null entries are free
};
