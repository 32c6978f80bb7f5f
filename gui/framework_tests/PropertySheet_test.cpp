// The property sheet and its pages through the system's PropertySheetA:
// page order, run results for OK, Cancel, the close box and a wizard's
// Finish, page services, failures in page handlers, and ownership.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"
#include "gui/WindowUtilities.h"

namespace {
constexpr DWORD NORMAL_SHEET = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
constexpr DWORD WIZARD = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
constexpr int FINISH_BUTTON = 0x3025;
constexpr UINT PAGE_COMMAND = 950;

// A sheet with the three test pages, added first to third.
struct ThreePageSheet {
    explicit ThreePageSheet(DWORD flags) : sheet(flags) {
        int templates[] = {IDD_PAGE_1, IDD_PAGE_2, IDD_PAGE_3};
        int titles[] = {IDS_PAGE_1, IDS_PAGE_2, IDS_PAGE_3};
        for (int i = 0; i < 3; ++i) {
            pages[i] = new ScriptedPage(templates[i], titles[i], &log);
            pages[i]->setSheet(&sheet);
            sheet.addPage(pages[i]);
        }
    }

    std::vector<int> log;
    ScriptedSheet sheet;
    ScriptedPage* pages[3];
};

bool runDriven(VPropertySheet& sheet, std::function<void()> script) {
    BackgroundScript driver(std::move(script));
    return sheet.run();
}

HWND currentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

std::string tabText(HWND sheet, int index) {
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    auto tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

// Presses Next in the wizard and waits for the page titled `next`.
HWND nextWizardPage(HWND wizard, const char* next) {
    PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    return requireWindow(next);
}
}  // namespace

class PropertySheetTest : public WindowTest {};

TEST_F(PropertySheetTest, WithoutPagesRunReturnsAtOnce) {
    ScriptedSheet sheet(NORMAL_SHEET);
    EXPECT_FALSE(sheet.run());
    EXPECT_EQ(nullptr, sheet.getWindow());
}

TEST_F(PropertySheetTest, PagesAppearInTheOrderAddedAndOkYieldsTrue) {
    ThreePageSheet three(NORMAL_SHEET);
    std::vector<std::string> tabs;
    HWND firstShown = nullptr;
    bool result = runDriven(three.sheet, [&] {
        HWND sheet = requireWindow("Framework Sheet");
        if (sheet == nullptr) return;
        for (int i = 0; i < 3; ++i) tabs.push_back(tabText(sheet, i));
        firstShown = currentPage(sheet);
        clickButton(sheet, IDOK);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ((std::vector<std::string>{"First", "Second", "Third"}), tabs);
    EXPECT_EQ(std::vector<int>{IDD_PAGE_1}, three.log) << "only the first page was shown";
    EXPECT_NE(nullptr, firstShown);
    EXPECT_TRUE(three.sheet.getFlags() & PSH_USECALLBACK);
    EXPECT_EQ(nullptr, three.sheet.getWindow()) << "no stale handle after the sheet closed";
}

TEST_F(PropertySheetTest, CancelAndTheCloseBoxYieldFalseEvenAfterAPageSetTrue) {
    ThreePageSheet three(NORMAL_SHEET);
    three.pages[0]->onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_SETACTIVE))
            three.sheet.setResult(true);
        return 0;
    };
    EXPECT_FALSE(runDriven(three.sheet, [] {
        if (HWND sheet = requireWindow("Framework Sheet")) clickButton(sheet, IDCANCEL);
    }));
    EXPECT_FALSE(runDriven(three.sheet, [] {
        if (HWND sheet = requireWindow("Framework Sheet")) PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    }));
    EXPECT_EQ(2, three.pages[0]->initCount) << "each run builds the pages anew";
}

TEST_F(PropertySheetTest, AWizardsFinishYieldsFalseUnlessAPageSetsTheResult) {
    for (bool pageSetsResult : {false, true}) {
        ThreePageSheet three(WIZARD);
        three.pages[2]->onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
            if (message != WM_NOTIFY) return 0;
            UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
            if (code == static_cast<UINT>(PSN_SETACTIVE)) three.pages[2]->setWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
            if (code == static_cast<UINT>(PSN_WIZFINISH) && pageSetsResult) three.sheet.setResult(true);
            return 0;
        };
        bool finishOffered = false;
        bool result = runDriven(three.sheet, [&] {
            HWND wizard = requireWindow("First");
            if (wizard == nullptr || nextWizardPage(wizard, "Second") == nullptr) return;
            if (nextWizardPage(wizard, "Third") == nullptr) return;
            finishOffered = waitUntil([&] { return IsWindowVisible(GetDlgItem(wizard, FINISH_BUTTON)) != FALSE; });
            PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        });
        EXPECT_EQ(pageSetsResult, result);
        EXPECT_TRUE(finishOffered) << "setWizardButtons reached the wizard";
        EXPECT_EQ((std::vector<int>{IDD_PAGE_1, IDD_PAGE_2, IDD_PAGE_3}), three.log);
    }
}

TEST_F(PropertySheetTest, APageSelectsAnotherById) {
    ThreePageSheet three(WIZARD);
    three.pages[0]->onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_COMMAND && wParam == PAGE_COMMAND) three.pages[0]->selectPageById(IDD_PAGE_3);
        return 0;
    };
    bool reachedThird = false;
    runDriven(three.sheet, [&] {
        HWND wizard = requireWindow("First");
        if (wizard == nullptr) return;
        PostMessageA(currentPage(wizard), WM_COMMAND, PAGE_COMMAND, 0);
        reachedThird = requireWindow("Third") != nullptr;
        PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_TRUE(reachedThird);
    EXPECT_EQ(0, three.pages[1]->initCount);
}

TEST_F(PropertySheetTest, AnExceptionInAPageHandlerIsShownAndTheSheetStaysOpen) {
    ThreePageSheet three(NORMAL_SHEET);
    three.pages[0]->onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_COMMAND && wParam == PAGE_COMMAND) throw VSystemException(ErrorGui, 555, "SheetTest");
        return 0;
    };
    std::string shown;
    bool result = runDriven(three.sheet, [&] {
        HWND sheet = requireWindow("Framework Sheet");
        if (sheet == nullptr) return;
        PostMessageA(currentPage(sheet), WM_COMMAND, PAGE_COMMAND, 0);
        shown = closeMessageBox("Exception");
        clickButton(sheet, IDOK);
    });
    EXPECT_EQ("GUI Error\n\nFile: SheetTest\nLine: 555", shown);
    EXPECT_TRUE(result);
}

TEST_F(PropertySheetTest, AnExceptionInTheSheetsHandlerIsShownAndTheSheetStaysOpen) {
    ThreePageSheet three(NORMAL_SHEET);
    three.sheet.onMessage = [](UINT message) {
        if (message == WM_APP) throw VSystemException(ErrorGui, 556, "SheetTest");
    };
    std::string shown;
    bool result = runDriven(three.sheet, [&] {
        HWND sheet = requireWindow("Framework Sheet");
        if (sheet == nullptr) return;
        PostMessageA(sheet, WM_APP, 0, 0);
        shown = closeMessageBox("Exception");
        clickButton(sheet, IDOK);
    });
    EXPECT_EQ("GUI Error\n\nFile: SheetTest\nLine: 556", shown);
    EXPECT_TRUE(result);
}

TEST_F(PropertySheetTest, ASizeChangeCentresTheSheetByItsClientSize) {
    ThreePageSheet three(NORMAL_SHEET);
    RECT bounds{};
    RECT client{};
    runDriven(three.sheet, [&] {
        HWND sheet = requireWindow("Framework Sheet");
        if (sheet == nullptr) return;
        GetWindowRect(sheet, &bounds);
        SetWindowPos(sheet, nullptr, 0, 0, bounds.right - bounds.left + 40, bounds.bottom - bounds.top + 20,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(sheet, &bounds);
        GetClientRect(sheet, &client);
        clickButton(sheet, IDCANCEL);
    });
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    POINT expected = centredPosition(desktop, work, client.right, client.bottom);
    EXPECT_EQ(expected.x, bounds.left);
    EXPECT_EQ(expected.y, bounds.top);
}

TEST(SheetOwnership, DeletesItsPages) {
    std::vector<int> log;
    {
        ScriptedSheet sheet(NORMAL_SHEET);
        sheet.addPage(new ScriptedPage(IDD_PAGE_1, IDS_PAGE_1, &log));
        sheet.addPage(new ScriptedPage(IDD_PAGE_2, IDS_PAGE_2, &log));
    }
    EXPECT_EQ((std::vector<int>{-IDD_PAGE_2, -IDD_PAGE_1}), log);
}

TEST_F(PropertySheetTest, PageServicesWithoutARunningSheetDoNothing) {
    ScriptedPage page(IDD_PAGE_1, IDS_PAGE_1);
    page.setWizardButtons(PSWIZB_NEXT);
    page.selectPageById(IDD_PAGE_2);
    ScriptedSheet sheet(WIZARD);
    page.setSheet(&sheet);
    page.setWizardButtons(PSWIZB_NEXT);
    MSG stray{};
    EXPECT_FALSE(PeekMessageA(&stray, reinterpret_cast<HWND>(-1), PSM_SETWIZBUTTONS, PSM_SETWIZBUTTONS, PM_REMOVE))
        << "nothing was posted to the thread's queue";
}
