// The dialog window's menu, by command id. Item records are passed with the
// size of the original layout (without hbmpItem), which every system reads.
#include "gui/VGuiDialogBase.h"

#include <cstddef>

namespace {
// 44 bytes with 32-bit pointers.
constexpr UINT MENU_ITEM_INFO_SIZE = offsetof(MENUITEMINFOA, hbmpItem);
}  // namespace

UINT VGuiDialogBase::getMenuState(UINT command) const {
    return GetMenuState(GetMenu(getWindow()), command, MF_BYCOMMAND);
}

BOOL VGuiDialogBase::setMenuItemState(UINT command, UINT state) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_STATE;
    info.fState = state;
    return setMenuItemInfo(command, info);
}

BOOL VGuiDialogBase::setMenuItemInfo(UINT command, MENUITEMINFOA& info) {
    info.cbSize = MENU_ITEM_INFO_SIZE;
    return SetMenuItemInfoA(GetMenu(getWindow()), command, FALSE, &info);
}

BOOL VGuiDialogBase::getMenuItemInfo(UINT command, MENUITEMINFOA& info) const {
    info.cbSize = MENU_ITEM_INFO_SIZE;
    return GetMenuItemInfoA(GetMenu(getWindow()), command, FALSE, &info);
}

BOOL VGuiDialogBase::checkMenuRadio(UINT first, UINT last, UINT command) {
    return CheckMenuRadioItem(GetMenu(getWindow()), first, last, command, MF_BYCOMMAND);
}
