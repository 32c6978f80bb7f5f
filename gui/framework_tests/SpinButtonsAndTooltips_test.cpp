// Spin buttons stepping their buddy field, clicked for real, and tooltips
// whose texts come from the string table.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"
#include "foundation/ModuleState.h"

namespace {
BOOL CALLBACK findTooltipWindow(HWND window, LPARAM found) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != TOOLTIPS_CLASSA) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

const TooltipListEntry TIPS[] = {{IDC_SPIN_EDIT, IDS_TIP_EDIT}, {IDC_SPIN, IDS_TIP_SPIN}, {END_OF_LIST, 0}};

// The spin dialog steps integers by 2 within 0..10 and reals by 0.25 within
// 0..1.
class SpinTest : public OpenDialogTest<IDD_SPIN> {
protected:
    void SetUp() override {
        OpenDialogTest::SetUp();
        if (open_ == nullptr) return;
        ScriptedDialog& dialog = open_->dialog;
        dialog.onMessage = [&dialog](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != WM_NOTIFY) return 0;
            const auto& change = *reinterpret_cast<const NMUPDOWN*>(lParam);
            if (wParam == IDC_SPIN) dialog.handleSpinInt(change, 0, 10, 2);
            if (wParam == IDC_SPIN_REAL) dialog.handleSpinReal(change, 0.0, 1.0, 0.25);
            return 0;
        };
        EXPECT_EQ(0, dialog.initSpinButtons());
        ShowWindow(open_->window, SW_SHOW);
    }

    // Presses and releases the spin's upper or lower arrow.
    void click(int spinId, bool up) {
        RECT arrows{};
        GetClientRect(item(spinId), &arrows);
        LPARAM at = MAKELPARAM(arrows.right / 2, up ? arrows.bottom / 4 : arrows.bottom * 3 / 4);
        SendMessageA(item(spinId), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(item(spinId), WM_LBUTTONUP, 0, at);
    }

    std::string stepped(int editId, int spinId, const char* text, bool up) {
        SetWindowTextA(item(editId), text);
        click(spinId, up);
        return windowText(item(editId));
    }
};
}  // namespace

TEST_F(SpinTest, InitialisingGivesEverySpinTheRange1To10) {
    EXPECT_EQ(MAKELONG(10, 1), SendMessageA(item(IDC_SPIN), UDM_GETRANGE, 0, 0));
    EXPECT_EQ(MAKELONG(10, 1), SendMessageA(item(IDC_SPIN_REAL), UDM_GETRANGE, 0, 0));
}

TEST_F(SpinTest, ArrowsStepTheBuddyWithinTheLimits) {
    EXPECT_EQ("7", stepped(IDC_SPIN_EDIT, IDC_SPIN, "5", true));
    EXPECT_EQ("3", stepped(IDC_SPIN_EDIT, IDC_SPIN, "5", false));
    EXPECT_EQ("10", stepped(IDC_SPIN_EDIT, IDC_SPIN, "10", true)) << "a step past the maximum is ignored";
    EXPECT_EQ("1", stepped(IDC_SPIN_EDIT, IDC_SPIN, "1", false));
    EXPECT_EQ("2", stepped(IDC_SPIN_EDIT, IDC_SPIN, "", true)) << "the empty field reads as 0";
    EXPECT_EQ("x", stepped(IDC_SPIN_EDIT, IDC_SPIN, "x", true)) << "not a number: a beep, nothing else";
}

TEST_F(SpinTest, RealsStepInTheirOwnFormat) {
    EXPECT_EQ("0.75", stepped(IDC_SPIN_REAL_EDIT, IDC_SPIN_REAL, "0.5", true));
    EXPECT_EQ("0.25", stepped(IDC_SPIN_REAL_EDIT, IDC_SPIN_REAL, "0.5", false));
    EXPECT_EQ("1", stepped(IDC_SPIN_REAL_EDIT, IDC_SPIN_REAL, "1", true));
}

TEST_F(SpinTest, OtherNotificationsAndLargeStepsChangeNothing) {
    SetWindowTextA(item(IDC_SPIN_EDIT), "5");
    NMUPDOWN change{};
    change.hdr.hwndFrom = item(IDC_SPIN);
    change.hdr.code = static_cast<UINT>(UDN_FIRST);
    change.iDelta = 1;
    open_->dialog.handleSpinInt(change, 0, 10, 2);
    EXPECT_EQ("5", windowText(item(IDC_SPIN_EDIT)));
    change.hdr.code = static_cast<UINT>(UDN_DELTAPOS);
    open_->dialog.handleSpinInt(change, -2147483647 - 1, 2147483647, 2147483647);
    EXPECT_EQ("5", windowText(item(IDC_SPIN_EDIT))) << "beyond the int range, not wrapped round";
}

class TooltipTest : public SpinTest {};

TEST_F(TooltipTest, OneToolPerListedControl) {
    ASSERT_TRUE(open_->dialog.addTooltips(TIPS));
    HWND tooltips = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findTooltipWindow, reinterpret_cast<LPARAM>(&tooltips));
    ASSERT_NE(nullptr, tooltips);
    EXPECT_EQ(open_->window, GetWindow(tooltips, GW_OWNER));
    EXPECT_EQ(2, SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(TooltipTest, TextsAreStringIdsOfTheModule) {
    NMTTDISPINFOA request{};
    request.hdr.idFrom = reinterpret_cast<UINT_PTR>(item(IDC_SPIN));
    open_->dialog.tooltipText(request, TIPS);
    EXPECT_EQ(MAKEINTRESOURCEA(IDS_TIP_SPIN), request.lpszText);
    EXPECT_EQ(getModuleInstance(), request.hinst);

    NMTTDISPINFOA unlisted{};
    unlisted.hdr.idFrom = reinterpret_cast<UINT_PTR>(item(IDC_SPIN_REAL_EDIT));
    unlisted.lpszText = const_cast<char*>("untouched");
    open_->dialog.tooltipText(unlisted, TIPS);
    EXPECT_STREQ("untouched", unlisted.lpszText);
    EXPECT_EQ(nullptr, unlisted.hinst);
}
