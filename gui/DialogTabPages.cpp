// Tab pages hosted in a tab control: one tab per page in the order the pages
// were added; a page's window is created when the page is first shown and
// kept (hidden) while other tabs are shown.
#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "gui/DialogProcedures.h"
#include "foundation/ModuleState.h"
#include "gui/ResourceStrings.h"
#include "gui/VPropertyPage.h"

namespace {
VString pageTitle(const PageRecord& record) {
    if (!(record.dwFlags & PSP_USETITLE) || record.pszTitle == nullptr) return VString();
    if (IS_INTRESOURCE(record.pszTitle))
        return resourceString(static_cast<int>(reinterpret_cast<UINT_PTR>(record.pszTitle)));
    return VString(record.pszTitle);
}

void insertTab(HWND tabs, int index, const PageRecord& record) {
    VString title = pageTitle(record);
    TCITEMA item{};
    if (record.dwFlags & PSP_USETITLE) {
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(title.cStr());
        item.cchTextMax = title.length();
    }
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

LRESULT notifyPage(HWND page, HWND tabs, int controlId, int code) {
    NMHDR header{tabs, static_cast<UINT_PTR>(controlId), static_cast<UINT>(code)};
    return SendMessageA(page, WM_NOTIFY, static_cast<WPARAM>(controlId), reinterpret_cast<LPARAM>(&header));
}

// The page window as a child of the tab control, at its display area.
HWND createPageWindow(HWND tabs, const TabPageEntry& entry) {
    PageRecord record{};
    record.dwSize = sizeof record;
    record.hInstance = getModuleInstance();
    record.pszTemplate = entry.pageTemplate;
    record.pfnDlgProc = pageDialogProcedure;
    record.lParam = reinterpret_cast<LPARAM>(static_cast<VWindowObject*>(entry.page));
    HWND window = CreateDialogParamA(getModuleInstance(), entry.pageTemplate, tabs, pageDialogProcedure,
                                     reinterpret_cast<LPARAM>(&record));
    if (window == nullptr)
        throw VSystemException(ErrorGeneral, VGUIDIALOGBASE_LINE_PAGE_NOT_CREATED, VGUIDIALOGBASE_FILE);
    RECT display{};
    GetClientRect(tabs, &display);
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    SetWindowPos(window, nullptr, display.left, display.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return window;
}
}  // namespace

void VGuiDialogBase::addPage(VPropertyPage* page) { pages_.push(page); }

void VGuiDialogBase::buildTabs(int tabControlId) {
    HWND tabs = getItem(tabControlId);
    currentPage_ = 0;
    int count = pages_.count();
    if (count == 0) return;
    // Building again starts from nothing rather than leaving stray windows.
    destroyTabPages();
    SendMessageA(tabs, TCM_DELETEALLITEMS, 0, 0);
    pageTable_.setSize(count);
    int index = count;
    for (VPropertyPage* page = pages_.newest(); page != nullptr; page = page->getNext())
        pageTable_.at(--index) = {nullptr, nullptr, page};
    // Tabs go in from the first, so that each lands at its own position.
    for (index = 0; index < count; ++index) {
        TabPageEntry& entry = pageTable_.at(index);
        PageRecord record{};
        entry.page->fillPage(record);
        insertTab(tabs, index, record);
        entry.pageTemplate = record.pszTemplate;
    }
    SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
    NMHDR selected{tabs, static_cast<UINT_PTR>(tabControlId), static_cast<UINT>(TCN_SELCHANGE)};
    bool refuse = false;
    handleTabNotify(tabControlId, tabControlId, selected, refuse);
}

bool VGuiDialogBase::handleTabNotify(int controlId, int tabControlId, const NMHDR& header, bool& refuse) {
    refuse = false;
    if (controlId != tabControlId) return false;
    HWND tabs = getItem(tabControlId);
    auto selected = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    bool known = selected >= 0 && selected < pageTable_.size();
    if (header.code == static_cast<UINT>(TCN_SELCHANGING)) {
        if (known) refuse = askPageToLeave(tabs, selected, controlId);
        return true;
    }
    if (header.code == static_cast<UINT>(TCN_SELCHANGE) && known) {
        showTabPage(tabs, selected, controlId);
        return true;
    }
    return false;
}

// PSN_KILLACTIVE to the page being left; a page keeps the focus by answering
// non-zero in its DWLP_MSGRESULT.
bool VGuiDialogBase::askPageToLeave(HWND tabs, int index, int controlId) {
    HWND page = pageTable_.at(index).window;
    if (page == nullptr) return false;
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    notifyPage(page, tabs, controlId, PSN_KILLACTIVE);
    return GetWindowLongPtrA(page, DWLP_MSGRESULT) != 0;
}

void VGuiDialogBase::showTabPage(HWND tabs, int index, int controlId) {
    if (currentPage_ >= 0 && currentPage_ < pageTable_.size() && pageTable_.at(currentPage_).window != nullptr)
        ShowWindow(pageTable_.at(currentPage_).window, SW_HIDE);
    currentPage_ = index;
    TabPageEntry& entry = pageTable_.at(index);
    if (entry.window == nullptr) entry.window = createPageWindow(tabs, entry);
    notifyPage(entry.window, tabs, controlId, PSN_SETACTIVE);
    ShowWindow(entry.window, SW_SHOW);
}

// Windows the system already destroyed (with the dialog) have detached from
// their page objects; only those still attached are destroyed here.
void VGuiDialogBase::destroyTabPages() {
    for (int index = 0; index < pageTable_.size(); ++index) {
        TabPageEntry& entry = pageTable_.at(index);
        if (entry.window != nullptr && entry.page != nullptr && entry.page->getWindow() == entry.window)
            DestroyWindow(entry.window);
        entry.window = nullptr;
    }
}
