// Building the wizard: its pages in order with their records, its header,
// and the report of a page that cannot be allocated; and the setup page as it
// shows its marks and its result.
#include "install/InstallWizard.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/Allocation.h"
#include "WindowDriver.h"
#include "foundation/tests/ExpectThrow.h"
#include "gui/DialogProcedures.h"
#include "foundation/ModuleStartup.h"
#include "install/LicensePage.h"
#include "install/SetupPage.h"
#include "install/WelcomePage.h"
#include "install/res/InstallResources.h"

namespace {

// Refuses the library's allocation number `refused` (counting from 0) while
// it lives.
class RefuseAllocation {
public:
    explicit RefuseAllocation(int refused) {
        refused_ = refused;
        count_ = 0;
        setAllocationHook([](std::size_t) { return count_++ != refused_; });
    }
    ~RefuseAllocation() { setAllocationHook(nullptr); }

private:
    static inline int refused_ = 0;
    static inline int count_ = 0;
};

PageRecord recordOf(InstallPage&& page) {
    PageRecord record{};
    record.pszIcon = "x";
    page.fillPage(record);
    return record;
}

TEST(InstallPages, AreTitledTemplatesWithoutIcons) {
    struct Expected {
        PageRecord record;
        int templateId;
        int titleId;
    };
    for (const Expected& page : {Expected{recordOf(WelcomePage()), IDD_WELCOME, IDS_TITLE_WELCOME},
                                 Expected{recordOf(LicensePage()), IDD_LICENSE, IDS_TITLE_LICENSE},
                                 Expected{recordOf(SetupPage()), IDD_SETUP, IDS_TITLE_SETUP}}) {
        EXPECT_EQ(page.record.dwFlags, DWORD(PSP_USETITLE));
        EXPECT_EQ(page.record.pszTemplate, MAKEINTRESOURCEA(page.templateId));
        EXPECT_EQ(page.record.pszTitle, MAKEINTRESOURCEA(page.titleId));
        EXPECT_EQ(page.record.pszIcon, nullptr);
    }
}

TEST(InstallWizard, HeaderIsAWizardOfPagesWithoutApplyIconOrCaption) {
    InstallWizard wizard;
    SheetHeader header{};
    header.hIcon = reinterpret_cast<HICON>(1);
    header.pszCaption = "x";
    wizard.fillHeader(header);
    EXPECT_EQ(header.dwFlags, 0xA8u);
    EXPECT_EQ(header.dwFlags, DWORD(PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW));
    EXPECT_EQ(header.hIcon, nullptr);
    EXPECT_EQ(header.pszCaption, nullptr);
}

TEST(InstallWizard, PageFailuresAreReportedAtTheirOwnLines) {
    {
        RefuseAllocation refuse(0);
        EXPECT_SYSTEM_EXCEPTION(InstallWizard(), ErrorNotEnoughMemory, "INSTDMain", 10);
    }
    {
        RefuseAllocation refuse(1);
        EXPECT_SYSTEM_EXCEPTION(InstallWizard(), ErrorNotEnoughMemory, "INSTDMain", 11);
    }
    {
        RefuseAllocation refuse(2);
        EXPECT_SYSTEM_EXCEPTION(InstallWizard(), ErrorNotEnoughMemory, "INSTDMain", 12);
    }
    RefuseAllocation refuse(3);
    EXPECT_NO_THROW(InstallWizard());
}

// The setup page on a window of the test's own, as a tab page is made; the
// installation steps it posts are never dispatched, only the last one is
// sent, so nothing is installed.
TEST(SetupPageWindow, ShowsSmallMarksAndTheResultInSemiBold) {
    if (!haveDisplay()) GTEST_SKIP() << "windows need an X display";
    setModuleInstance(GetModuleHandleA(nullptr));  // install.exe's resources are linked in
    HWND host =
        CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 400, nullptr, nullptr, nullptr, nullptr);
    auto* page = new SetupPage;
    PageRecord record{};
    record.dwSize = sizeof record;
    record.lParam = reinterpret_cast<LPARAM>(static_cast<VWindowObject*>(page));
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP), host, pageDialogProcedure,
                                     reinterpret_cast<LPARAM>(&record));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ("16x16", iconSize(SendDlgItemMessageA(window, IDC_COPY_STATUS, STM_GETICON, 0, 0)));
    EXPECT_EQ("16x16", iconSize(SendDlgItemMessageA(window, IDC_REGISTER_STATUS, STM_GETICON, 0, 0)));

    SendMessageA(window, RegisterWindowMessageA("InstallUserMessage"), StepShowResult, 0);
    ShowWindow(window, SW_SHOWNA);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ("Instalation succesful.", itemText(window, IDC_RESULT));
    EXPECT_EQ(FW_SEMIBOLD, fontWeight(GetDlgItem(window, IDC_RESULT)));
    DestroyWindow(host);
    delete page;
}

}  // namespace
