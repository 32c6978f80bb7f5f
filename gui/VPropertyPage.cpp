#include "gui/VPropertyPage.h"

#include "gui/VPropertySheet.h"

HWND VPropertyPage::sheetWindow() const { return sheet_ != nullptr ? sheet_->getWindow() : nullptr; }

void VPropertyPage::setWizardButtons(DWORD flags) {
    // Posting to a null window would put the message in the thread's queue.
    HWND sheet = sheetWindow();
    if (sheet != nullptr) PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

void VPropertyPage::selectPageById(int templateId) {
    HWND sheet = sheetWindow();
    if (sheet != nullptr) SendMessageA(sheet, PSM_SETCURSELID, 0, static_cast<LPARAM>(templateId));
}
