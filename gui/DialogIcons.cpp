// Icons from the module's resources into buttons, statics and the caption.
#include "foundation/VSystemException.h"
#include "gui/ModuleState.h"
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

namespace {
constexpr int SMALL_ICON = 16;
constexpr int LARGE_ICON = 32;

// Controls do not free the images they are given, so icons are loaded
// shared: the system keeps one copy per size, however often it is set.
HICON loadSharedIcon(int iconId, int size) {
    return static_cast<HICON>(
        LoadImageA(getModuleInstance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
}
}  // namespace

void VGuiDialogBase::setButtonIcon(int controlId, int iconId, int size) {
    SendMessageA(getItem(controlId), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(loadSharedIcon(iconId, size)));
}

void VGuiDialogBase::setButtonIconSmall(int controlId, int iconId) { setButtonIcon(controlId, iconId, SMALL_ICON); }

void VGuiDialogBase::setButtonIconLarge(int controlId, int iconId) { setButtonIcon(controlId, iconId, LARGE_ICON); }

void VGuiDialogBase::setButtonIconsSmall(const IconListEntry* icons) {
    forEachEntry(icons, [&](const IconListEntry& icon) { setButtonIconSmall(icon.controlId, icon.iconId); });
}

void VGuiDialogBase::setButtonIconsLarge(const IconListEntry* icons) {
    forEachEntry(icons, [&](const IconListEntry& icon) { setButtonIconLarge(icon.controlId, icon.iconId); });
}

void VGuiDialogBase::setStaticIcon(int controlId, int iconId) {
    SendMessageA(getItem(controlId), STM_SETICON, reinterpret_cast<WPARAM>(loadSharedIcon(iconId, SMALL_ICON)), 0);
}

void VGuiDialogBase::drawItemIcon(int controlId, int iconId) {
    HWND item = getItem(controlId);
    auto icon = static_cast<HICON>(
        LoadImageA(getModuleInstance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, SMALL_ICON, SMALL_ICON, LR_DEFAULTCOLOR));
    if (icon == nullptr) throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_NO_ICON, VGUIDIALOGBASE_FILE);
    RECT client{};
    GetClientRect(item, &client);
    HDC dc = GetDC(item);
    DrawIconEx(dc, (client.right - SMALL_ICON) / 2, (client.bottom - SMALL_ICON) / 2, icon, SMALL_ICON, SMALL_ICON, 0,
               nullptr, DI_NORMAL);
    ReleaseDC(item, dc);
    DestroyIcon(icon);
}

void VGuiDialogBase::setDialogIcon(int iconId) {
    HICON icon = iconId != 0 ? LoadIconA(getModuleInstance(), MAKEINTRESOURCEA(iconId)) : nullptr;
    SendMessageA(getWindow(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}
