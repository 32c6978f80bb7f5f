// List boxes by id.
#include "foundation/VString.h"
#include "gui/ControlTexts.h"
#include "gui/ResourceStrings.h"
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

namespace {
LRESULT sendText(HWND control, UINT message, WPARAM wParam, const char* text) {
    return SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(text));
}

LRESULT sendIndex(HWND control, UINT message, int index, LPARAM lParam = 0) {
    return SendMessageA(control, message, static_cast<WPARAM>(index), lParam);
}
}  // namespace

void VGuiDialogBase::listAddStrings(int controlId, const int* stringIds) {
    HWND list = getItem(controlId);
    forEachEntry(stringIds, [&](int stringId) { sendText(list, LB_ADDSTRING, 0, resourceString(stringId).cStr()); });
}

void VGuiDialogBase::listAddTexts(int controlId, const char* const* texts) {
    HWND list = getItem(controlId);
    forEachEntry(texts, [&](const char* text) { sendText(list, LB_ADDSTRING, 0, text); });
}

LRESULT VGuiDialogBase::listAddText(int controlId, const VString& text) {
    return sendText(getItem(controlId), LB_ADDSTRING, 0, text.cStr());
}

LRESULT VGuiDialogBase::listInsertText(int controlId, int index, const VString& text) {
    return sendText(getItem(controlId), LB_INSERTSTRING, static_cast<WPARAM>(index), text.cStr());
}

LRESULT VGuiDialogBase::listGetText(int controlId, int index, VString& text) const {
    HWND list = getItem(controlId);
    text.clear();
    LRESULT length = sendIndex(list, LB_GETTEXTLEN, index);
    if (length <= 0) return length;
    return readListItemText(list, LB_GETTEXT, index, length, text);
}

LRESULT VGuiDialogBase::listDeleteString(int controlId, int index) {
    return sendIndex(getItem(controlId), LB_DELETESTRING, index);
}

LRESULT VGuiDialogBase::listReset(int controlId) { return SendMessageA(getItem(controlId), LB_RESETCONTENT, 0, 0); }

LRESULT VGuiDialogBase::listSetSelection(int controlId, int index) {
    return sendIndex(getItem(controlId), LB_SETCURSEL, index);
}

LRESULT VGuiDialogBase::listGetSelection(int controlId) const {
    return SendMessageA(getItem(controlId), LB_GETCURSEL, 0, 0);
}

LRESULT VGuiDialogBase::listSetItemData(int controlId, int index, LPARAM data) {
    return sendIndex(getItem(controlId), LB_SETITEMDATA, index, data);
}

LRESULT VGuiDialogBase::listGetItemData(int controlId, int index) const {
    return sendIndex(getItem(controlId), LB_GETITEMDATA, index);
}

LRESULT VGuiDialogBase::listCount(int controlId) const { return SendMessageA(getItem(controlId), LB_GETCOUNT, 0, 0); }

void VGuiDialogBase::listRedrawItem(int controlId, int index) {
    HWND list = getItem(controlId);
    RECT item{};
    sendIndex(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    InvalidateRect(list, &item, FALSE);
    UpdateWindow(list);
}

int VGuiDialogBase::listItemFromPoint(int controlId, POINT point) const {
    HWND list = getItem(controlId);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    RECT client{};
    GetClientRect(list, &client);
    for (int index = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0)); index < count; ++index) {
        RECT item{};
        if (sendIndex(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) break;
        if (PtInRect(&item, point)) return index;
        if (item.top >= client.bottom) break;
    }
    return -1;
}

void VGuiDialogBase::suspendRedraw(int controlId) { SendMessageA(getItem(controlId), WM_SETREDRAW, FALSE, 0); }

void VGuiDialogBase::resumeRedraw(int controlId) {
    HWND control = getItem(controlId);
    SendMessageA(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}
