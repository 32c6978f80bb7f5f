// The installer's program body: its wizard, built, run once and destroyed.
#include "foundation/VSystemException.h"
#include "gui/EntryPoints.h"
#include "install/CommandLine.h"
#include "install/InstallWizard.h"
#include "install/LicensePage.h"
#include "install/SetupPage.h"
#include "install/WelcomePage.h"

InstallWizard::InstallWizard() {
    adoptPage(new WelcomePage, INSTDMAIN_LINE_WELCOME_PAGE);
    adoptPage(new LicensePage, INSTDMAIN_LINE_LICENSE_PAGE);
    adoptPage(new SetupPage, INSTDMAIN_LINE_SETUP_PAGE);
    setParent(GetActiveWindow());
}

void InstallWizard::adoptPage(VPropertyPage* page, int failureLine) {
    if (page == nullptr) throw VSystemException(ErrorNotEnoughMemory, failureLine, INSTDMAIN_FILE);
    page->setSheet(this);
    addPage(page);
}

void InstallWizard::fillHeader(SheetHeader& header) {
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hIcon = nullptr;
    header.pszCaption = nullptr;
}

// Without options, the wizard; its run's result is not used: the program
// ends with 0 either way.
int AppMain() {
    InstallOptions options = parseInstallOptions(GetCommandLineA());
    if (installMode(options) != MODE_WIZARD) return runWithoutWizard(options);
    InstallWizard wizard;
    wizard.run();
    return 0;
}
