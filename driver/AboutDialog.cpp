#include "AboutDialog.h"

#include "res/DriverResources.h"
#include "gui/WindowUtilities.h"

namespace drav {

AboutDialog::AboutDialog() {
    setTemplate(IDD_ABOUT);
    setParent(GetActiveWindow());
}

LRESULT AboutDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: centerWindow(window); break;
        case WM_COMMAND:
            if (wParam == IDOK) endDialogOk();
            break;
        case WM_CLOSE: endDialogOk(); break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == getItem(IDC_ABOUT_TITLE))
                return paintTitle(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
            break;
        case WM_DESTROY: titleFont_.release(); break;
        default: break;
    }
    return 0;
}

LRESULT AboutDialog::paintTitle(HWND title, HDC dc) {
    titleFont_.apply(title, dc);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

}  // namespace drav
