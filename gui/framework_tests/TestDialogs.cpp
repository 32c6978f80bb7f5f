#include "TestDialogs.h"

#include <algorithm>

ScriptedDialog::~ScriptedDialog() {
    if (destroyed != nullptr) *destroyed = true;
}

LRESULT ScriptedDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    messages.push_back(message);
    if (onMessage) return onMessage(window, message, wParam, lParam);
    if (message == WM_COMMAND && wParam == IDOK) endDialogOk();
    if ((message == WM_COMMAND && wParam == IDCANCEL) || message == WM_CLOSE) endDialogCancel();
    return 0;
}

LRESULT ScriptedDialog::handleControlMessage(int controlId, bool& handled, HWND control, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (onControlMessage) return onControlMessage(controlId, handled, message);
    return VGuiDialog::handleControlMessage(controlId, handled, control, message, wParam, lParam);
}

bool ScriptedDialog::received(UINT message) const {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

OpenDialog::OpenDialog(int templateId) : dialog(templateId), window(dialog.createModeless()) {}

OpenDialog::~OpenDialog() {
    if (IsWindow(window)) DestroyWindow(window);
}

ScriptedPage::~ScriptedPage() {
    if (log_ != nullptr) log_->push_back(-templateId_);
}

void ScriptedPage::fillPage(PageRecord& record) {
    record.dwFlags = PSP_USETITLE;
    record.pszTemplate = MAKEINTRESOURCEA(templateId_);
    record.pszTitle = MAKEINTRESOURCEA(titleId_);
}

LRESULT ScriptedPage::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ++initCount;
        if (log_ != nullptr) log_->push_back(templateId_);
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_SETACTIVE))
        ++setActiveCount;
    if (onMessage) return onMessage(window, message, wParam, lParam);
    return 0;
}

void ScriptedSheet::fillHeader(SheetHeader& header) {
    header.dwFlags = flags_;
    header.pszCaption = "Framework Sheet";
}

LRESULT ScriptedSheet::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (onMessage) onMessage(message);
    return VPropertySheet::handleMessage(window, message, wParam, lParam);
}
