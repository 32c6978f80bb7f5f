#include "AboutDialog.h"

#include "res/DriverResources.h"
#include "gui/WindowUtilities.h"

namespace drav {
namespace {

constexpr LONG SEMI_BOLD = 600;

// The control's font (else the one selected into `dc`) in semi-bold.
HFONT semiBoldFontOf(HWND control, HDC dc) {
    auto base = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (base == nullptr) base = GetCurrentObject(dc, OBJ_FONT);
    LOGFONTA font{};
    if (GetObjectA(base, sizeof font, &font) == 0) return nullptr;
    font.lfWeight = SEMI_BOLD;
    return CreateFontIndirectA(&font);
}

}  // namespace

AboutDialog::AboutDialog() {
    setTemplate(IDD_ABOUT);
    setParent(GetActiveWindow());
}

// A window that never got its WM_DESTROY must not leak the font either.
AboutDialog::~AboutDialog() { releaseTitleFont(); }

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
        case WM_DESTROY: releaseTitleFont(); break;
        default: break;
    }
    return 0;
}

// Some static controls ask for their colours before they select their own
// font, so the title also gets the font as its own: selecting it into the
// device context alone would be undone.
LRESULT AboutDialog::paintTitle(HWND title, HDC dc) {
    if (titleFont_ == nullptr) {
        titleFont_ = semiBoldFontOf(title, dc);
        if (titleFont_ != nullptr) SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
    }
    if (titleFont_ != nullptr) SelectObject(dc, titleFont_);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void AboutDialog::releaseTitleFont() {
    if (titleFont_ == nullptr) return;
    DeleteObject(titleFont_);
    titleFont_ = nullptr;
}

}  // namespace drav
