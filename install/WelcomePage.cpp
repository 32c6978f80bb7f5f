#include "install/WelcomePage.h"

#include "install/res/InstallResources.h"

WelcomePage::WelcomePage() : InstallPage(IDD_WELCOME, IDS_TITLE_WELCOME) {}

LRESULT WelcomePage::handleMessage(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (isNotification(message, lParam, PSN_SETACTIVE)) setWizardButtons(PSWIZB_NEXT);
    return 0;
}
