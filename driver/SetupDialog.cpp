#include "SetupDialog.h"

#include "AboutDialog.h"
#include "CodecSettings.h"
#include "res/DriverResources.h"
#include "gui/MessageBoxes.h"
#include "gui/WindowUtilities.h"

namespace drav {
namespace {

// Writes the switch only when the box disagrees with what is stored now.
void storeIfChanged(bool disabled, bool (*isAllowed)(), void (*setAllowed)(bool)) {
    if (disabled != !isAllowed()) setAllowed(!disabled);
}

}  // namespace

SetupDialog::SetupDialog(bool (*hasMMX)()) : hasMMX_(hasMMX) {
    setTemplate(IDD_SETUP);
    setParent(GetActiveWindow());
}

LRESULT SetupDialog::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            centerWindow(window);
            showSettings();
            break;
        case WM_COMMAND:
            if (wParam == IDOK) {
                storeSettings();
                endDialogOk();
            }
            if (wParam == IDCANCEL) endDialogCancel();
            if (wParam == IDC_SETUP_ABOUT) showAbout();
            break;
        case WM_CLOSE: endDialogCancel(); break;
        default: break;
    }
    return 0;
}

// A box is checked when its switch is disabled.
void SetupDialog::showSettings() {
    setCheck(IDC_DISABLE_MMX, !IsMMXAllowed());
    setCheck(IDC_DISABLE_RESIZING, !IsResizingAllowed());
    setCheck(IDC_DISABLE_COLOR_CONVERSION, !IsColorDepthConversionAllowed());
}

void SetupDialog::storeSettings() {
    storeMMXSetting();
    storeIfChanged(isChecked(IDC_DISABLE_RESIZING), IsResizingAllowed, SetResizingAllowed);
    storeIfChanged(isChecked(IDC_DISABLE_COLOR_CONVERSION), IsColorDepthConversionAllowed,
                   SetColorDepthConversionAllowed);
}

// MMX cannot be allowed on a processor without it: the user is told, and
// the switch is stored as disabled.
void SetupDialog::storeMMXSetting() {
    bool disabled = isChecked(IDC_DISABLE_MMX);
    if (disabled || hasMMX_()) {
        storeIfChanged(disabled, IsMMXAllowed, SetMMXAllowed);
        return;
    }
    errorBox(IDS_ERROR_CAPTION, IDS_NO_MMX);
    SetMMXAllowed(false);
}

// Opened from here, the About dialog is owned by this one, the active window.
void SetupDialog::showAbout() {
    AboutDialog about;
    about.runModal();
}

}  // namespace drav
