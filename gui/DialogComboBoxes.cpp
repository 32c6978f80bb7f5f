// Combo boxes by id; texts given by string id come from the string table.
#include "foundation/VString.h"
#include "gui/ControlTexts.h"
#include "gui/ResourceStrings.h"
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

namespace {
LRESULT sendText(HWND control, UINT message, WPARAM wParam, const VString& text) {
    return SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(text.cStr()));
}
}  // namespace

LRESULT VGuiDialogBase::comboAddString(int controlId, int stringId) {
    return comboAddText(controlId, resourceString(stringId));
}

void VGuiDialogBase::comboAddStrings(int controlId, const int* stringIds) {
    forEachEntry(stringIds, [&](int stringId) { comboAddString(controlId, stringId); });
}

LRESULT VGuiDialogBase::comboInsertString(int controlId, int index, int stringId) {
    return sendText(getItem(controlId), CB_INSERTSTRING, static_cast<WPARAM>(index), resourceString(stringId));
}

LRESULT VGuiDialogBase::comboAddText(int controlId, const VString& text) {
    return sendText(getItem(controlId), CB_ADDSTRING, 0, text);
}

bool VGuiDialogBase::comboGetText(int controlId, int index, VString& text) const {
    HWND combo = getItem(controlId);
    text.clear();
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return false;
    return readListItemText(combo, CB_GETLBTEXT, index, length, text) != CB_ERR;
}

bool VGuiDialogBase::comboGetSelectedText(int controlId, VString& text) const {
    return comboGetText(controlId, static_cast<int>(comboGetSelection(controlId)), text);
}

LRESULT VGuiDialogBase::comboSetSelection(int controlId, int index) {
    return SendMessageA(getItem(controlId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

LRESULT VGuiDialogBase::comboGetSelection(int controlId) const {
    return SendMessageA(getItem(controlId), CB_GETCURSEL, 0, 0);
}

LRESULT VGuiDialogBase::comboDeleteString(int controlId, int index) {
    return SendMessageA(getItem(controlId), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

LRESULT VGuiDialogBase::comboReset(int controlId) { return SendMessageA(getItem(controlId), CB_RESETCONTENT, 0, 0); }

LRESULT VGuiDialogBase::comboSetItemData(int controlId, int index, LPARAM data) {
    return SendMessageA(getItem(controlId), CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

LRESULT VGuiDialogBase::comboGetItemData(int controlId, int index) const {
    return SendMessageA(getItem(controlId), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}
