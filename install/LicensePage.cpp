#include "install/LicensePage.h"

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "install/res/InstallResources.h"

LicensePage::LicensePage() : InstallPage(IDD_LICENSE, IDS_TITLE_LICENSE) {}

LRESULT LicensePage::handleMessage(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) showLicenseText();
    if (isNotification(message, lParam, PSN_SETACTIVE)) setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return 0;
}

// The text ends at the NUL the resource carries. One more NUL is added here
// so that a resource without its own cannot be read past its end.
void LicensePage::showLicenseText() {
    VByteBuffer bytes;
    bytes.loadResource(IDR_LICENSE_TEXT);
    bytes.setSize(bytes.size() + 1);
    bytes.data()[bytes.size() - 1] = 0;
    setItemText(IDC_LICENSE_TEXT, VString(reinterpret_cast<const char*>(bytes.data())));
}
