#pragma once
// Page 2: the licence and readme text. Next accepts the licence, Cancel
// declines it; there is no separate accept control.
#include "install/InstallPage.h"

class LicensePage : public InstallPage {
public:
    LicensePage();
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void showLicenseText();
};
