#pragma once
// Page 3: installs the codec as soon as it is first shown. The work runs as a
// chain of steps, each posted to the page as InstallUserMessage, so the page
// repaints between steps and WM_INITDIALOG returns before any work starts.
#include "gui/VSemiBoldFont.h"
#include "install/InstallPage.h"

// wParam of InstallUserMessage.
enum InstallStep {
    StepCheckPlatform = 1,
    StepCopyCodec = 2,
    StepRegisterCodec = 3,
    StepShowResult = 4,
};

class SetupPage : public InstallPage {
public:
    SetupPage();
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    DWORD getPlatformId() const { return platformId_; }
    bool hasSucceeded() const { return succeeded_; }

private:
    void startInstallation();
    void runStep(WPARAM step);
    void postStep(InstallStep step);
    void checkPlatform();
    void copyCodec();
    void registerCodec();
    void showResult();

    DWORD platformId_ = 0;
    bool succeeded_ = false;
    VSemiBoldFont statusFont_;  // the result line's
};
