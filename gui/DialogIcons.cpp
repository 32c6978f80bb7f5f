// Icons from the module's resources into buttons, statics and the caption.
// Each control gets an icon of its own at the exact size; the one it held
// before goes back to the dialog's store.
#include "foundation/VSystemException.h"
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

namespace {
constexpr int SMALL_ICON = 16;
constexpr int LARGE_ICON = 32;
}  // namespace

void VGuiDialogBase::setButtonIcon(int controlId, int iconId, int size) {
    HWND button = getItem(controlId);
    HICON icon = icons_.load(iconId, size);
    icons_.handBack(SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
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
    HWND item = getItem(controlId);
    HICON icon = icons_.load(iconId, SMALL_ICON);
    icons_.handBack(SendMessageA(item, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
}

void VGuiDialogBase::drawItemIcon(int controlId, int iconId) {
    HWND item = getItem(controlId);
    HICON icon = loadModuleIcon(iconId, SMALL_ICON);
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
    HICON icon = iconId != 0 ? icons_.load(iconId, LARGE_ICON) : nullptr;
    icons_.handBack(SendMessageA(getWindow(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
}
