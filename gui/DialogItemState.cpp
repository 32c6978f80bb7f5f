// Visibility, enabling, focus and repainting of controls.
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

void VGuiDialogBase::showItem(int controlId, bool visible) {
    ShowWindow(getItem(controlId), visible ? SW_SHOW : SW_HIDE);
}

void VGuiDialogBase::showItems(const int* controlIds, bool visible) {
    forEachEntry(controlIds, [&](int controlId) { showItem(controlId, visible); });
}

void VGuiDialogBase::enableItem(int controlId, bool enabled) {
    EnableWindow(getItem(controlId), enabled ? TRUE : FALSE);
}

void VGuiDialogBase::enableItems(const int* controlIds, bool enabled) {
    forEachEntry(controlIds, [&](int controlId) { enableItem(controlId, enabled); });
}

void VGuiDialogBase::focusItem(int controlId) { SetFocus(getItem(controlId)); }

void VGuiDialogBase::redrawItem(int controlId) { redrawItemErase(controlId, false); }

void VGuiDialogBase::redrawItemErase(int controlId, bool erase) {
    HWND item = getItem(controlId);
    InvalidateRect(item, nullptr, erase ? TRUE : FALSE);
    UpdateWindow(item);
}
