#pragma once
// The system's modal property sheet (or wizard) over a list of pages that the
// sheet owns. run() reports OK as true; Cancel and the close box as false. A
// wizard's Finish is not OK: a page marks success itself with setResult(true).
#include <windows.h>
#include <commctrl.h>

#include "gui/PageList.h"
#include "gui/VWindowObject.h"

class VPropertyPage;

// The sheet header handed to the system, in its 52-byte layout (96 bytes with
// 64-bit pointers).
using SheetHeader = PROPSHEETHEADERA;
static_assert(sizeof(SheetHeader) == (sizeof(void*) == 4 ? 52 : 96), "the header layout the sheet is built with");

class VPropertySheet : public VWindowObject {
public:
    // Deletes every page.
    ~VPropertySheet() override;

    // Records OK (true), Cancel and the close box (false), and re-centres the
    // sheet when its size changes; then the system's own sheet handling runs.
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // The subclass sets dwFlags, the icon and the caption.
    virtual void fillHeader(SheetHeader& header) = 0;

    // The sheet takes ownership; pages are shown in the order they were added.
    void addPage(VPropertyPage* page);
    void setResult(bool value) { result_ = value; }
    // Shows the sheet modally and returns the result; false at once without
    // pages.
    bool run();
    DWORD getFlags() const { return flags_; }

private:
    static int CALLBACK sheetCallback(HWND window, UINT message, LPARAM lParam);

    PageList pages_;
    bool result_ = false;
    DWORD flags_ = 0;
    WNDPROC savedDialogProcedure_ = nullptr;
};
