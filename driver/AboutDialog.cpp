#include "AboutDialog.h"

#include "res/DriverResources.h"
#include "gui/WindowUtilities.h"

namespace drav {
namespace {

constexpr LONG SEMI_BOLD = 600;

// The font selected into `dc`, one step heavier.
HFONT semiBoldFontOf(HDC dc) {
    LOGFONTA font{};
    if (GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font) == 0) return nullptr;
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
        if (reinterpret_cast<HWND>(lParam) == getItem(IDC_ABOUT_TITLE)) return paintTitle(reinterpret_cast<HDC>(wParam));
        break;
    case WM_DESTROY: releaseTitleFont(); break;
    default: break;
    }
    return 0;
}

LRESULT AboutDialog::paintTitle(HDC dc) {
    if (titleFont_ == nullptr) titleFont_ = semiBoldFontOf(dc);
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
