#include "gui/OwnedIcons.h"

#include "foundation/ModuleState.h"

HICON loadModuleIcon(int iconId, int size) {
    return static_cast<HICON>(
        LoadImageA(getModuleInstance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

OwnedIcons::~OwnedIcons() {
    for (int index = 0; index < icons_.count(); ++index)
        if (icons_.at(index) != nullptr) DestroyIcon(icons_.at(index));
}

// The entry is taken before the icon is loaded: a table that cannot grow
// leaks nothing.
HICON OwnedIcons::load(int iconId, int size) {
    int entry = freeEntry();
    return icons_.at(entry) = loadModuleIcon(iconId, size);
}

void OwnedIcons::handBack(LRESULT previous) {
    auto icon = reinterpret_cast<HICON>(previous);
    if (icon == nullptr) return;
    for (int index = 0; index < icons_.count(); ++index) {
        if (icons_.at(index) != icon) continue;
        DestroyIcon(icon);
        icons_.at(index) = nullptr;
        return;
    }
}

int OwnedIcons::freeEntry() {
    for (int index = 0; index < icons_.count(); ++index)
        if (icons_.at(index) == nullptr) return index;
    return icons_.add(nullptr);
}
