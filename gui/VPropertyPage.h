#pragma once
// A page of a VPropertySheet (or a tab page of a VGuiDialogBase): a child
// dialog whose messages reach handleMessage through pageDialogProcedure.
#include <windows.h>
#include <commctrl.h>

#include "gui/VGuiDialogBase.h"

class VPropertySheet;

// The page record handed to the system, in its 48-byte layout (88 bytes with
// 64-bit pointers).
using PageRecord = PROPSHEETPAGEA_V2;
static_assert(sizeof(PageRecord) == (sizeof(void*) == 4 ? 48 : 88),
              "the system steps through page records by their dwSize");

class VPropertyPage : public VGuiDialogBase {
public:
    // The page describes itself: dwFlags, pszTemplate, pszIcon and pszTitle.
    virtual void fillPage(PageRecord& record) = 0;

    void setSheet(VPropertySheet* sheet) { sheet_ = sheet; }
    VPropertySheet* getSheet() const { return sheet_; }
    VPropertyPage* getNext() const { return next_; }
    void setNext(VPropertyPage* next) { next_ = next; }

    // PSWIZB_ flags, posted to the running sheet: they take effect after the
    // current message. Nothing happens while no sheet window exists.
    void setWizardButtons(DWORD flags);
    // PSM_SETCURSELID to the running sheet.
    void selectPageById(int templateId);

private:
    HWND sheetWindow() const;

    VPropertySheet* sheet_ = nullptr;
    VPropertyPage* next_ = nullptr;
};
