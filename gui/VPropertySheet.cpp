#include "gui/VPropertySheet.h"

#include "foundation/VArray.h"
#include "gui/DialogProcedures.h"
#include "foundation/ModuleState.h"
#include "gui/VPropertyPage.h"
#include "gui/WindowUtilities.h"

namespace {
// Carries the running sheet from run() to its creation callback; one sheet
// starts at a time.
VPropertySheet* sheetBeingCreated = nullptr;

void describePage(VPropertyPage& page, PageRecord& record) {
    page.fillPage(record);
    record.dwSize = sizeof(PageRecord);
    record.hInstance = getModuleInstance();
    record.pfnDlgProc = pageDialogProcedure;
    record.lParam = reinterpret_cast<LPARAM>(static_cast<VWindowObject*>(&page));
    record.pfnCallback = nullptr;
}
}  // namespace

VPropertySheet::~VPropertySheet() {
    pages_.deleteAll();
    detachObject(getWindow(), GWLP_USERDATA, this);
}

void VPropertySheet::addPage(VPropertyPage* page) { pages_.push(page); }

bool VPropertySheet::run() {
    result_ = false;
    int count = pages_.count();
    if (count == 0) return result_;

    // The list holds the pages newest first; the array, as they were added.
    VArray<PageRecord> records;
    records.setSize(count);
    int index = count;
    for (VPropertyPage* page = pages_.newest(); page != nullptr; page = page->getNext())
        describePage(*page, records.at(--index));

    SheetHeader header{};
    fillHeader(header);
    header.dwSize = sizeof header;
    header.dwFlags |= PSH_USECALLBACK;
    header.hwndParent = getParent();
    header.hInstance = getModuleInstance();
    header.nPages = static_cast<UINT>(count);
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(records.data());
    header.pfnCallback = sheetCallback;
    flags_ = header.dwFlags;

    sheetBeingCreated = this;
    PropertySheetA(&header);
    // A sheet that never opened must not be attached to the next one.
    sheetBeingCreated = nullptr;
    savedDialogProcedure_ = nullptr;
    return result_;
}

int CALLBACK VPropertySheet::sheetCallback(HWND window, UINT message, LPARAM) {
    if (message != PSCB_INITIALIZED || sheetBeingCreated == nullptr) return 0;
    VPropertySheet* sheet = sheetBeingCreated;
    attachObject(window, GWLP_USERDATA, sheet);
    sheet->savedDialogProcedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC));
    SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&sheetDialogProcedure));
    sheetBeingCreated = nullptr;
    return 0;
}

LRESULT VPropertySheet::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: centerWindowSize(window, LOWORD(lParam), HIWORD(lParam)); break;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDOK) result_ = true;
            if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDCANCEL) result_ = false;
            break;
        case WM_SYSCOMMAND:
            if (wParam == SC_CLOSE) result_ = false;
            break;
        default: break;
    }
    if (savedDialogProcedure_ == nullptr) return 0;
    return CallWindowProcA(savedDialogProcedure_, window, message, wParam, lParam);
}
