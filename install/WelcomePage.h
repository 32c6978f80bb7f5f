#pragma once
// Page 1: the welcome text beside the side picture; only Next leads on.
#include "install/InstallPage.h"

class WelcomePage : public InstallPage {
public:
    WelcomePage();
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
