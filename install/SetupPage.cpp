#include "install/SetupPage.h"

#include "foundation/VString.h"
#include "gui/MessageBoxes.h"
#include "gui/VPropertySheet.h"
#include "install/CodecInstallation.h"
#include "install/Installation.h"
#include "install/res/InstallResources.h"

namespace {
// Registered anew by every page object; the system hands out the same number
// for the same name.
UINT installUserMessage = 0;
}  // namespace

SetupPage::SetupPage() : InstallPage(IDD_SETUP, IDS_TITLE_SETUP) {
    installUserMessage = RegisterWindowMessageA("InstallUserMessage");
}

LRESULT SetupPage::handleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == installUserMessage && message != 0) {
        runStep(wParam);
        return 0;
    }
    switch (message) {
        case WM_INITDIALOG: startInstallation(); break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == getItem(IDC_RESULT))
                statusFont_.apply(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
            break;
        case WM_DESTROY: statusFont_.release(); break;
        case WM_NOTIFY:
            if (isNotification(message, lParam, PSN_WIZFINISH) && getSheet() != nullptr) getSheet()->setResult(true);
            break;
    }
    return 0;
}

// Shows the running system and starts the chain; without a version there is
// nothing to show and nothing starts.
void SetupPage::startInstallation() {
    setStaticIcon(IDC_COPY_STATUS, IDI_STEP_PENDING);
    setStaticIcon(IDC_REGISTER_STATUS, IDI_STEP_PENDING);
    OSVERSIONINFOEXA extended;
    if (!queryPlatformVersion(extended)) return;
    const OSVERSIONINFOA& version = reinterpret_cast<const OSVERSIONINFOA&>(extended);
    if (const char* name = platformName(version)) setItemText(IDC_OS_NAME, VString(name));
    platformId_ = version.dwPlatformId;
    VString versionText;
    formatVersionText(versionText, version);
    setItemText(IDC_OS_VERSION, versionText);
    succeeded_ = true;
    postStep(StepCheckPlatform);
}

void SetupPage::runStep(WPARAM step) {
    switch (step) {
        case StepCheckPlatform: checkPlatform(); break;
        case StepCopyCodec: copyCodec(); break;
        case StepRegisterCodec: registerCodec(); break;
        case StepShowResult: showResult(); break;
    }
}

void SetupPage::postStep(InstallStep step) { PostMessageA(getWindow(), installUserMessage, step, 0); }

void SetupPage::checkPlatform() {
    if (isSupportedPlatform(platformId_)) {
        setWizardButtons(0);
        postStep(StepCopyCodec);
        return;
    }
    errorBox(IDS_ERROR, IDS_PLATFORM_NOT_SUPPORTED);
    postStep(StepShowResult);
    succeeded_ = false;
}

// Both driver images are loaded before a target is touched: a program
// without them must not truncate a driver that is already installed.
void SetupPage::copyCodec() {
    VString path;
    CopyOutcome outcome = copyDriverFiles(path, platformId_);
    if (outcome == COPY_DONE) {
        setStaticIcon(IDC_COPY_STATUS, IDI_STEP_DONE);
        postStep(StepRegisterCodec);
        return;
    }
    succeeded_ = false;
    VString message;
    message.format(outcome == COPY_CREATE_FAILED ? IDS_FILE_CREATION_ERROR : IDS_FILE_WRITE_ERROR, path.cStr());
    errorBox(IDS_ERROR, message);
    postStep(StepShowResult);
}

// Reached on a supported platform only: system.ini on the 95/98 family, the
// registry on the NT family.
void SetupPage::registerCodec() {
    succeeded_ = registerDrivers(platformId_);
    if (succeeded_) setStaticIcon(IDC_REGISTER_STATUS, IDI_STEP_DONE);
    postStep(StepShowResult);
}

void SetupPage::showResult() {
    VString text;
    text.loadString(succeeded_ ? IDS_INSTALL_SUCCEEDED : IDS_INSTALL_FAILED);
    setItemText(IDC_RESULT, text);
    setWizardButtons(PSWIZB_FINISH);
    showItem(IDC_FINISH_HINT, true);
}
