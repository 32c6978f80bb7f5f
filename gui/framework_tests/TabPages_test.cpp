// Tab pages in a tab control: tabs in the order the pages were added, pages
// created when first shown and kept, a page keeping the focus, and what the
// dialog object's end destroys.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"

namespace {
constexpr int DESTROYED = 1000;  // logged plus the template id at a page window's WM_DESTROY

// A tabs dialog that builds its tabs at WM_INITDIALOG and answers the tab
// control's notifications.
ScriptedDialog* newTabsDialog() {
    auto* dialog = new ScriptedDialog(IDD_TABS);
    dialog->onMessage = [dialog](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_INITDIALOG) dialog->buildTabs(IDC_TABS);
        if (message != WM_NOTIFY) return 0;
        bool refuse = false;
        if (!dialog->handleTabNotify(static_cast<int>(wParam), IDC_TABS, *reinterpret_cast<NMHDR*>(lParam), refuse))
            return 0;
        dialog->setMessageResult(refuse);
        return TRUE;
    };
    return dialog;
}

ScriptedPage* newPage(int templateId, int titleId, std::vector<int>& log) {
    auto* page = new ScriptedPage(templateId, titleId, &log);
    page->onMessage = [&log, templateId](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_DESTROY) log.push_back(DESTROYED + templateId);
        return 0;
    };
    return page;
}

class TabPagesTest : public WindowTest {
protected:
    void TearDown() override {
        HWND window = dialog_ != nullptr ? dialog_->getWindow() : nullptr;
        delete dialog_;
        if (window != nullptr) DestroyWindow(window);
    }

    // Opens the tabs dialog with pages for `templates`, added in that order.
    void open(std::initializer_list<int> templates) {
        dialog_ = newTabsDialog();
        int titles[] = {IDS_PAGE_1, IDS_PAGE_2, IDS_PAGE_3};
        int n = 0;
        for (int templateId : templates) {
            pages_.push_back(newPage(templateId, titles[n++ % 3], log_));
            dialog_->addPage(pages_.back());
        }
        window_ = dialog_->createModeless();
        ShowWindow(window_, SW_SHOW);
    }

    HWND tabs() { return GetDlgItem(window_, IDC_TABS); }

    std::string tabText(int index) {
        char text[32] = "";
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs(), TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return text;
    }

    // Clicks tab `index` as a user would.
    void clickTab(int index) {
        RECT tab{};
        SendMessageA(tabs(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tab));
        LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        SendMessageA(tabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tabs(), WM_LBUTTONUP, 0, at);
    }

    bool shown(int page) { return IsWindowVisible(pages_[page]->getWindow()) != FALSE; }

    ScriptedDialog* dialog_ = nullptr;
    HWND window_ = nullptr;
    std::vector<ScriptedPage*> pages_;
    std::vector<int> log_;
};
}  // namespace

TEST_F(TabPagesTest, TabsFollowTheOrderOfAddingAndTheFirstPageShows) {
    open({IDD_PAGE_1, IDD_PAGE_2, IDD_PAGE_3});
    EXPECT_EQ(3, SendMessageA(tabs(), TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("First", tabText(0));
    EXPECT_EQ("Second", tabText(1));
    EXPECT_EQ("Third", tabText(2));
    EXPECT_EQ(0, dialog_->getCurrentPage());
    EXPECT_TRUE(shown(0));
    EXPECT_EQ(1, pages_[0]->setActiveCount);
    EXPECT_EQ(std::vector<int>{IDD_PAGE_1}, log_) << "the other pages have no window yet";
    EXPECT_EQ(tabs(), GetParent(pages_[0]->getWindow()));
}

TEST_F(TabPagesTest, SelectingATabShowsItsPageAndSwitchingBackReusesTheWindow) {
    open({IDD_PAGE_1, IDD_PAGE_2, IDD_PAGE_3});
    HWND first = pages_[0]->getWindow();
    clickTab(2);
    EXPECT_EQ(2, dialog_->getCurrentPage());
    EXPECT_TRUE(shown(2));
    EXPECT_FALSE(shown(0));
    EXPECT_EQ(pages_[2]->getWindow(), dialog_->tabPages().at(2).window);
    clickTab(0);
    EXPECT_TRUE(shown(0));
    EXPECT_FALSE(shown(2));
    EXPECT_EQ(first, pages_[0]->getWindow());
    EXPECT_EQ(1, pages_[0]->initCount);
    EXPECT_EQ(2, pages_[0]->setActiveCount);
    EXPECT_EQ((std::vector<int>{IDD_PAGE_1, IDD_PAGE_3}), log_);
}

TEST_F(TabPagesTest, APageThatKeepsTheFocusKeepsItsTab) {
    open({IDD_PAGE_1, IDD_PAGE_2});
    pages_[0]->onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_KILLACTIVE))
            pages_[0]->setMessageResult(TRUE);
        return 0;
    };
    clickTab(1);
    EXPECT_EQ(0, SendMessageA(tabs(), TCM_GETCURSEL, 0, 0));
    EXPECT_EQ(0, dialog_->getCurrentPage());
    EXPECT_EQ(0, pages_[1]->initCount);
}

TEST_F(TabPagesTest, TheObjectsEndDestroysShownPagesAndDeletesAll) {
    open({IDD_PAGE_1, IDD_PAGE_2});
    HWND firstWindow = pages_[0]->getWindow();
    delete dialog_;
    dialog_ = nullptr;
    EXPECT_FALSE(IsWindow(firstWindow));
    EXPECT_EQ((std::vector<int>{IDD_PAGE_1, DESTROYED + IDD_PAGE_1, -IDD_PAGE_2, -IDD_PAGE_1}), log_)
        << "the page window is destroyed while its object still exists";
    DestroyWindow(window_);
}

TEST_F(TabPagesTest, PagesOfADestroyedDialogAreNotDestroyedTwice) {
    open({IDD_PAGE_1, IDD_PAGE_2});
    DestroyWindow(window_);
    EXPECT_EQ(nullptr, pages_[0]->getWindow());
    delete dialog_;
    dialog_ = nullptr;
    EXPECT_EQ((std::vector<int>{IDD_PAGE_1, DESTROYED + IDD_PAGE_1, -IDD_PAGE_2, -IDD_PAGE_1}), log_);
}

TEST_F(TabPagesTest, APageWithoutTemplateIsReported) {
    MessageBoxCloser closer("Exception");
    open({IDD_NOT_A_TEMPLATE});
    EXPECT_EQ(std::vector<std::string>{"Unknown.\n\nFile: VGuiDialogBase\nLine: 1990"}, closer.stop());
    EXPECT_NE(nullptr, window_) << "the dialog still opens";
    EXPECT_EQ(nullptr, dialog_->tabPages().at(0).window);
}
