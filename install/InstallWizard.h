#pragma once
// The installer's wizard: Welcome, Licence and Setup, run modally.
#include "gui/VPropertySheet.h"

class VPropertyPage;

inline constexpr char INSTDMAIN_FILE[] = "INSTDMain";
// Where a page that cannot be allocated is reported.
inline constexpr int INSTDMAIN_LINE_WELCOME_PAGE = 10;
inline constexpr int INSTDMAIN_LINE_LICENSE_PAGE = 11;
inline constexpr int INSTDMAIN_LINE_SETUP_PAGE = 12;

class InstallWizard : public VPropertySheet {
public:
    // Builds the three pages; a page that cannot be allocated raises
    // VSystemException (ErrorNotEnoughMemory) at its own line.
    InstallWizard();
    // A wizard of property-sheet pages, without Apply; no icon, no caption:
    // the window shows the current page's title.
    void fillHeader(SheetHeader& header) override;

private:
    void adoptPage(VPropertyPage* page, int failureLine);
};
