// List views by id, with the caller's column and item records.
#include "gui/VGuiDialogBase.h"

namespace {
UINT itemState(HWND listView, int index) {
    LVITEMA item{};
    item.mask = LVIF_STATE;
    item.iItem = index;
    item.stateMask = ~0u;
    SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.state;
}

void setSelected(HWND listView, int index, bool selected) {
    LVITEMA item{};
    item.mask = LVIF_STATE;
    item.iItem = index;
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(listView, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int itemCount(HWND listView) { return static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0)); }
}  // namespace

bool VGuiDialogBase::listViewInsertColumn(int controlId, int index, LVCOLUMNA& column) {
    return SendMessageA(getItem(controlId), LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&column)) != -1;
}

bool VGuiDialogBase::listViewInsertItem(int controlId, LVITEMA& item) {
    return SendMessageA(getItem(controlId), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) != -1;
}

bool VGuiDialogBase::listViewSetItem(int controlId, LVITEMA& item) {
    return SendMessageA(getItem(controlId), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != -1;
}

bool VGuiDialogBase::listViewGetItem(int controlId, LVITEMA& item) const {
    return SendMessageA(getItem(controlId), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != -1;
}

bool VGuiDialogBase::listViewDeleteAll(int controlId) {
    return SendMessageA(getItem(controlId), LVM_DELETEALLITEMS, 0, 0) != 0;
}

bool VGuiDialogBase::listViewDeleteItem(int controlId, int index) {
    return SendMessageA(getItem(controlId), LVM_DELETEITEM, static_cast<WPARAM>(index), 0) != 0;
}

int VGuiDialogBase::listViewCount(int controlId) const { return itemCount(getItem(controlId)); }

int VGuiDialogBase::listViewGetSelection(int controlId) const {
    HWND listView = getItem(controlId);
    int count = itemCount(listView);
    for (int index = 0; index < count; ++index) {
        if (itemState(listView, index) & LVIS_SELECTED) return index;
    }
    return -1;
}

int VGuiDialogBase::listViewSetSelection(int controlId, int index) {
    HWND listView = getItem(controlId);
    int count = itemCount(listView);
    for (int other = 0; other < count; ++other) {
        bool selected = (itemState(listView, other) & LVIS_SELECTED) != 0;
        if (selected != (other == index)) setSelected(listView, other, other == index);
    }
    return count;
}
