// Building the wizard: its pages in order with their records, its header,
// and the report of a page that cannot be allocated.
#include "install/InstallWizard.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/Allocation.h"
#include "foundation/tests/ExpectThrow.h"
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

}  // namespace
