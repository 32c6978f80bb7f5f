// The per-control operations on the test's control dialog: every value set
// through the framework is read back from the control itself, and the other
// way round.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"
#include "foundation/VString.h"

namespace {
const RadioListEntry RADIOS[] = {{10, IDC_RADIO_1}, {20, IDC_RADIO_2}, {30, IDC_RADIO_3}, {END_OF_LIST, END_OF_LIST}};

class ControlTest : public OpenDialogTest<IDD_CONTROLS> {
protected:
    LRESULT send(int controlId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(item(controlId), message, wParam, lParam);
    }
    void type(int controlId, const char* text) { SetWindowTextA(item(controlId), text); }
};

struct IntCase {
    const char* text;
    bool ok;
    int value;
};
}  // namespace

TEST_F(ControlTest, IntegersAreWholeTextsOnly) {
    const IntCase cases[] = {{"", true, 0},     {"42", true, 42},  {" 12", true, 12},
                             {"-7", true, -7},  {"12 ", false, 0}, {"1e2", false, 0},
                             {"abc", false, 0}, {"-", false, 0},   {"99999999999", true, 2147483647}};
    for (const IntCase& c : cases) {
        type(IDC_EDIT_A, c.text);
        int value = -1;
        EXPECT_EQ(c.ok, dialog().getItemInt(IDC_EDIT_A, value)) << '"' << c.text << '"';
        EXPECT_EQ(c.value, value) << '"' << c.text << '"';
    }
    dialog().setItemInt(IDC_EDIT_A, -2147483647 - 1);
    EXPECT_EQ("-2147483648", windowText(item(IDC_EDIT_A)));
}

TEST_F(ControlTest, RealsRoundTripThroughTheirText) {
    dialog().setItemReal(IDC_EDIT_A, 2.5);
    EXPECT_EQ("2.5", windowText(item(IDC_EDIT_A)));
    double value = 0;
    EXPECT_TRUE(dialog().getItemReal(IDC_EDIT_A, value));
    EXPECT_DOUBLE_EQ(2.5, value);
    type(IDC_EDIT_A, "");
    EXPECT_TRUE(dialog().getItemReal(IDC_EDIT_A, value));
    EXPECT_EQ(0.0, value);
    type(IDC_EDIT_A, "2.5x");
    EXPECT_FALSE(dialog().getItemReal(IDC_EDIT_A, value));
    EXPECT_EQ(0.0, value);
}

TEST_F(ControlTest, TextsAreSetAndReadBackByIdWithinTheirLimits) {
    dialog().setItemText(IDC_EDIT_B, VString("plain text"));
    VString text;
    EXPECT_TRUE(dialog().getItemText(IDC_EDIT_B, text));
    EXPECT_TRUE(text == "plain text");

    std::string longText(300, 'x');
    type(IDC_EDIT_B, longText.c_str());
    EXPECT_TRUE(dialog().getItemText(IDC_EDIT_B, text));
    EXPECT_EQ(255, text.length());

    dialog().setItemFormat(IDC_EDIT_B, "%s has %d items", "list", 3);
    EXPECT_EQ("list has 3 items", windowText(item(IDC_EDIT_B)));
    dialog().setItemFormat(IDC_EDIT_B, "%s", longText.c_str());
    EXPECT_EQ(std::string(255, 'x'), windowText(item(IDC_EDIT_B))) << "formatted text is cut at 255";
}

TEST_F(ControlTest, FormatWithId0SetsTheCaption) {
    dialog().setItemFormat(0, "Caption %d", 7);
    EXPECT_EQ("Caption 7", windowText(open_->window));
    ScriptedDialog unopened(IDD_CONTROLS);
    EXPECT_TRUE(raises([&] { unopened.setItemFormat(0, "x"); }, ErrorGui, 441, "VGuiDialogBase"));
}

TEST_F(ControlTest, OperationsOnAMissingIdRaiseBeforeTouchingAnything) {
    EXPECT_TRUE(raises([&] { dialog().setItemInt(IDC_MISSING, 1); }, ErrorGui, 54, "VGuiDialogBase"));
    EXPECT_TRUE(raises([&] { dialog().setCheck(IDC_MISSING, true); }, ErrorGui, 54, "VGuiDialogBase"));
    EXPECT_TRUE(raises([&] { dialog().listCount(IDC_MISSING); }, ErrorGui, 54, "VGuiDialogBase"));
}

TEST_F(ControlTest, CheckBoxesAndTheIndeterminateState) {
    dialog().setCheck(IDC_CHECK, true);
    EXPECT_EQ(BST_CHECKED, send(IDC_CHECK, BM_GETCHECK));
    EXPECT_TRUE(dialog().isChecked(IDC_CHECK));
    dialog().setCheck(IDC_CHECK, false);
    EXPECT_FALSE(dialog().isChecked(IDC_CHECK));
    send(IDC_CHECK3, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_FALSE(dialog().isChecked(IDC_CHECK3));
    send(IDC_CHECK, BM_SETSTATE, TRUE);
    EXPECT_TRUE(dialog().getButtonState(IDC_CHECK) & BST_PUSHED);
}

TEST_F(ControlTest, RadioGroups) {
    EXPECT_EQ(-1, dialog().getRadioGroup(RADIOS));
    dialog().setRadioGroup(RADIOS, 20);
    EXPECT_EQ(BST_UNCHECKED, send(IDC_RADIO_1, BM_GETCHECK));
    EXPECT_EQ(BST_CHECKED, send(IDC_RADIO_2, BM_GETCHECK));
    EXPECT_EQ(20, dialog().getRadioGroup(RADIOS));
    send(IDC_RADIO_3, BM_SETCHECK, BST_CHECKED);
    send(IDC_RADIO_2, BM_SETCHECK, BST_UNCHECKED);
    EXPECT_EQ(30, dialog().getRadioGroup(RADIOS));
    dialog().setRadioGroup(RADIOS, 99);
    EXPECT_EQ(-1, dialog().getRadioGroup(RADIOS)) << "a value no entry has clears every button";

    EXPECT_TRUE(dialog().isRadioGroupCommand(RADIOS, MAKEWPARAM(IDC_RADIO_2, BN_CLICKED)));
    EXPECT_FALSE(dialog().isRadioGroupCommand(RADIOS, MAKEWPARAM(IDC_RADIO_2, BN_DOUBLECLICKED)));
    EXPECT_FALSE(dialog().isRadioGroupCommand(RADIOS, MAKEWPARAM(IDC_CHECK, BN_CLICKED)));
}

// IDI_LARGE_ONLY holds a single 32 x 32 image, which the template's static
// already shows: every size is made from that image.
TEST_F(ControlTest, IconsComeAtTheSizeAskedForWhateverWasLoadedBefore) {
    EXPECT_EQ("32x32", iconSize(send(IDC_ICON_STATIC, STM_GETICON))) << "the template's";
    dialog().setStaticIcon(IDC_ICON_STATIC, IDI_LARGE_ONLY);
    EXPECT_EQ("16x16", iconSize(send(IDC_ICON_STATIC, STM_GETICON)));

    const IconListEntry icons[] = {
        {IDC_ICON_BUTTON, IDI_LARGE_ONLY}, {IDC_ICON_BUTTON_2, IDI_LARGE_ONLY}, {END_OF_LIST, 0}};
    dialog().setButtonIconsSmall(icons);
    dialog().setButtonIconLarge(IDC_ICON_BUTTON_2, IDI_LARGE_ONLY);
    EXPECT_EQ("16x16", iconSize(send(IDC_ICON_BUTTON, BM_GETIMAGE, IMAGE_ICON)));
    EXPECT_EQ("32x32", iconSize(send(IDC_ICON_BUTTON_2, BM_GETIMAGE, IMAGE_ICON)));
    dialog().setButtonIconsLarge(icons);
    dialog().setButtonIconSmall(IDC_ICON_BUTTON_2, IDI_LARGE_ONLY);
    EXPECT_EQ("32x32", iconSize(send(IDC_ICON_BUTTON, BM_GETIMAGE, IMAGE_ICON)));
    EXPECT_EQ("16x16", iconSize(send(IDC_ICON_BUTTON_2, BM_GETIMAGE, IMAGE_ICON)));

    dialog().setDialogIcon(IDI_LARGE_ONLY);
    EXPECT_EQ("32x32", iconSize(SendMessageA(window(), WM_GETICON, ICON_BIG, 0)));
    dialog().setDialogIcon(0);
    EXPECT_EQ(0, SendMessageA(window(), WM_GETICON, ICON_BIG, 0));
}

TEST_F(ControlTest, ReplacedIconsAreDestroyedAndTheLastOnesGoWithTheObject) {
    dialog().setStaticIcon(IDC_ICON_STATIC, IDI_TEST);
    LRESULT first = send(IDC_ICON_STATIC, STM_GETICON);
    dialog().setStaticIcon(IDC_ICON_STATIC, IDI_TEST);
    EXPECT_EQ("none", iconSize(first));
    EXPECT_EQ("16x16", iconSize(send(IDC_ICON_STATIC, STM_GETICON)));

    dialog().setButtonIconLarge(IDC_ICON_BUTTON, IDI_TEST);
    dialog().setDialogIcon(IDI_TEST);
    const LRESULT kept[] = {send(IDC_ICON_STATIC, STM_GETICON), send(IDC_ICON_BUTTON, BM_GETIMAGE, IMAGE_ICON),
                            SendMessageA(window(), WM_GETICON, ICON_BIG, 0)};
    open_.reset();
    for (LRESULT icon : kept) EXPECT_EQ("none", iconSize(icon));
}

TEST_F(ControlTest, DrawingAnIconTheModuleLacksRaises) {
    ShowWindow(window(), SW_SHOW);
    UpdateWindow(window());
    dialog().drawItemIcon(IDC_PAINT, IDI_TEST);
    EXPECT_TRUE(raises([&] { dialog().drawItemIcon(IDC_PAINT, IDI_MISSING); }, ErrorGui, 783, "VGuiDialogBase"));
}

TEST_F(ControlTest, ComboBoxes) {
    const int items[] = {IDS_ITEM_1, IDS_ITEM_3, END_OF_LIST};
    dialog().comboAddStrings(IDC_COMBO, items);
    EXPECT_EQ(1, dialog().comboInsertString(IDC_COMBO, 1, IDS_ITEM_2));
    EXPECT_EQ(3, dialog().comboAddText(IDC_COMBO, VString("Delta")));
    EXPECT_EQ(4, send(IDC_COMBO, CB_GETCOUNT));
    VString text;
    EXPECT_TRUE(dialog().comboGetText(IDC_COMBO, 1, text));
    EXPECT_TRUE(text == "Beta");
    EXPECT_FALSE(dialog().comboGetText(IDC_COMBO, 9, text));
    EXPECT_TRUE(text.isEmpty());

    EXPECT_FALSE(dialog().comboGetSelectedText(IDC_COMBO, text)) << "nothing selected";
    dialog().comboSetSelection(IDC_COMBO, 2);
    EXPECT_EQ(2, dialog().comboGetSelection(IDC_COMBO));
    EXPECT_TRUE(dialog().comboGetSelectedText(IDC_COMBO, text));
    EXPECT_TRUE(text == "Gamma");

    dialog().comboSetItemData(IDC_COMBO, 3, 0x1234);
    EXPECT_EQ(0x1234, dialog().comboGetItemData(IDC_COMBO, 3));
    EXPECT_EQ(3, dialog().comboDeleteString(IDC_COMBO, 0));
    dialog().comboReset(IDC_COMBO);
    EXPECT_EQ(0, send(IDC_COMBO, CB_GETCOUNT));
}

TEST_F(ControlTest, ListBoxes) {
    const int strings[] = {IDS_ITEM_1, IDS_ITEM_2, END_OF_LIST};
    const char* const texts[] = {"third", "fourth", nullptr};
    dialog().listAddStrings(IDC_LIST, strings);
    dialog().listAddTexts(IDC_LIST, texts);
    dialog().listAddText(IDC_LIST, VString("fifth"));
    dialog().listInsertText(IDC_LIST, 0, VString("zeroth"));
    EXPECT_EQ(6, dialog().listCount(IDC_LIST));
    VString text;
    EXPECT_EQ(5, dialog().listGetText(IDC_LIST, 1, text));
    EXPECT_TRUE(text == "Alpha");
    EXPECT_EQ(LB_ERR, dialog().listGetText(IDC_LIST, 42, text));
    EXPECT_TRUE(text.isEmpty());

    dialog().listSetSelection(IDC_LIST, 3);
    EXPECT_EQ(3, dialog().listGetSelection(IDC_LIST));
    dialog().listSetItemData(IDC_LIST, 2, 99);
    EXPECT_EQ(99, dialog().listGetItemData(IDC_LIST, 2));
    dialog().listDeleteString(IDC_LIST, 0);
    EXPECT_EQ(5, dialog().listCount(IDC_LIST));
    dialog().listRedrawItem(IDC_LIST, 1);
    dialog().suspendRedraw(IDC_LIST);
    dialog().listAddText(IDC_LIST, VString("quietly"));
    dialog().resumeRedraw(IDC_LIST);
    EXPECT_EQ(6, dialog().listCount(IDC_LIST));
    dialog().listReset(IDC_LIST);
    EXPECT_EQ(0, dialog().listCount(IDC_LIST));
}

TEST_F(ControlTest, ListItemFromPoint) {
    const char* const texts[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", nullptr};
    dialog().listAddTexts(IDC_LIST, texts);
    RECT third{};
    send(IDC_LIST, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
    EXPECT_EQ(2, dialog().listItemFromPoint(IDC_LIST, POINT{third.left + 2, third.top + 1}));
    send(IDC_LIST, LB_SETTOPINDEX, 4);
    RECT top{};
    send(IDC_LIST, LB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&top));
    EXPECT_EQ(4, dialog().listItemFromPoint(IDC_LIST, POINT{top.left + 2, top.top + 1}));
    RECT client{};
    GetClientRect(item(IDC_LIST), &client);
    EXPECT_EQ(-1, dialog().listItemFromPoint(IDC_LIST, POINT{client.left + 2, client.bottom + 40}));
}

TEST_F(ControlTest, ListViews) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>("Name");
    column.cx = 80;
    EXPECT_TRUE(dialog().listViewInsertColumn(IDC_LISTVIEW, 0, column));
    for (int i = 0; i < 4; ++i) {
        char name[8];
        wsprintfA(name, "item %d", i);
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.iItem = i;
        row.pszText = name;
        EXPECT_TRUE(dialog().listViewInsertItem(IDC_LISTVIEW, row));
    }
    EXPECT_EQ(4, dialog().listViewCount(IDC_LISTVIEW));
    EXPECT_EQ(-1, dialog().listViewGetSelection(IDC_LISTVIEW));
    EXPECT_EQ(4, dialog().listViewSetSelection(IDC_LISTVIEW, 1));
    EXPECT_EQ(1, dialog().listViewGetSelection(IDC_LISTVIEW));
    dialog().listViewSetSelection(IDC_LISTVIEW, 3);
    EXPECT_EQ(3, dialog().listViewGetSelection(IDC_LISTVIEW));
    EXPECT_EQ(0u, send(IDC_LISTVIEW, LVM_GETITEMSTATE, 1, LVIS_SELECTED)) << "the earlier selection is cleared";

    char text[16] = "";
    LVITEMA read{};
    read.mask = LVIF_TEXT;
    read.iItem = 2;
    read.pszText = text;
    read.cchTextMax = sizeof text;
    EXPECT_TRUE(dialog().listViewGetItem(IDC_LISTVIEW, read));
    EXPECT_STREQ("item 2", text);
    read.pszText = const_cast<char*>("renamed");
    EXPECT_TRUE(dialog().listViewSetItem(IDC_LISTVIEW, read));
    EXPECT_TRUE(dialog().listViewDeleteItem(IDC_LISTVIEW, 0));
    EXPECT_EQ(3, dialog().listViewCount(IDC_LISTVIEW));
    EXPECT_TRUE(dialog().listViewDeleteAll(IDC_LISTVIEW));
    EXPECT_EQ(0, dialog().listViewCount(IDC_LISTVIEW));
}

TEST_F(ControlTest, AVerticalTrackbarIsMirrored) {
    dialog().trackbarSetRange(IDC_TRACK_V, 0, 100);
    send(IDC_TRACK_V, TBM_SETPOS, TRUE, 30);
    EXPECT_EQ(70, dialog().trackbarGetPos(IDC_TRACK_V));
    dialog().trackbarSetPos(IDC_TRACK_V, 70);
    EXPECT_EQ(30, send(IDC_TRACK_V, TBM_GETPOS));
    dialog().trackbarSetRange(IDC_TRACK_V, 10, 20);
    dialog().trackbarSetPos(IDC_TRACK_V, 12);
    EXPECT_EQ(18, send(IDC_TRACK_V, TBM_GETPOS));
    EXPECT_EQ(12, dialog().trackbarGetPos(IDC_TRACK_V));
}

TEST_F(ControlTest, AHorizontalTrackbarAndAProgressBarAreNot) {
    dialog().trackbarSetRange(IDC_TRACK_H, 0, 100);
    EXPECT_EQ(100, send(IDC_TRACK_H, TBM_GETRANGEMAX));
    dialog().trackbarSetPos(IDC_TRACK_H, 30);
    EXPECT_EQ(30, send(IDC_TRACK_H, TBM_GETPOS));
    EXPECT_EQ(30, dialog().trackbarGetPos(IDC_TRACK_H));
    dialog().trackbarSetTicFrequency(IDC_TRACK_H, 10);
    EXPECT_EQ(9, send(IDC_TRACK_H, TBM_GETNUMTICS) - 2) << "ticks at 10..90 besides both ends";

    dialog().progressSetRange(IDC_PROGRESS, 5, 50);
    EXPECT_EQ(50, send(IDC_PROGRESS, PBM_GETRANGE, FALSE));
    dialog().progressSetPos(IDC_PROGRESS, 20);
    EXPECT_EQ(20, send(IDC_PROGRESS, PBM_GETPOS));
}

TEST_F(ControlTest, ScrollBarControls) {
    dialog().scrollSetRange(IDC_SCROLL, 0, 100, 10);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(item(IDC_SCROLL), SB_CTL, &info);
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(100, info.nMax);
    EXPECT_EQ(10u, info.nPage);
    dialog().scrollSetPos(IDC_SCROLL, 40);
    EXPECT_EQ(40, dialog().scrollGetPos(IDC_SCROLL));
    EXPECT_EQ(40, dialog().scrollGetPos(item(IDC_SCROLL)));
    dialog().scrollSetRange(item(IDC_SCROLL), 0, 50, 0);
    GetScrollInfo(item(IDC_SCROLL), SB_CTL, &info);
    EXPECT_EQ(50, info.nMax);
    EXPECT_EQ(10u, info.nPage) << "a page of 0 leaves the page as it was";
}

TEST_F(ControlTest, VisibilityEnablingAndFocus) {
    ShowWindow(open_->window, SW_SHOW);
    dialog().showItem(IDC_EDIT_A, false);
    EXPECT_FALSE(IsWindowVisible(item(IDC_EDIT_A)));
    const int ids[] = {IDC_EDIT_A, IDC_EDIT_B, END_OF_LIST};
    dialog().showItems(ids, true);
    EXPECT_TRUE(IsWindowVisible(item(IDC_EDIT_A)));
    EXPECT_TRUE(IsWindowVisible(item(IDC_EDIT_B)));
    dialog().enableItems(ids, false);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_EDIT_B)));
    dialog().enableItem(IDC_EDIT_B, true);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EDIT_B)));
    const int none[] = {END_OF_LIST};
    dialog().showItems(none, false);
    dialog().enableItems(none, false);
    EXPECT_TRUE(IsWindowVisible(item(IDC_EDIT_A))) << "a list of only -1 changes nothing";
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EDIT_B)));

    dialog().focusItem(IDC_EDIT_B);
    EXPECT_EQ(item(IDC_EDIT_B), GetFocus());
    dialog().redrawItem(IDC_EDIT_A);
    dialog().redrawItemErase(IDC_EDIT_A, true);
}

TEST_F(ControlTest, MenuItemsByCommand) {
    EXPECT_EQ(0u, dialog().getMenuState(IDM_ONE) & MF_CHECKED);
    dialog().setMenuItemState(IDM_ONE, MFS_CHECKED);
    EXPECT_TRUE(dialog().getMenuState(IDM_ONE) & MF_CHECKED);
    dialog().setMenuItemState(IDM_TWO, MFS_GRAYED);
    EXPECT_TRUE(dialog().getMenuState(IDM_TWO) & MF_GRAYED);

    dialog().checkMenuRadio(IDM_ONE, IDM_THREE, IDM_THREE);
    EXPECT_TRUE(dialog().getMenuState(IDM_THREE) & MF_CHECKED);
    EXPECT_EQ(0u, dialog().getMenuState(IDM_ONE) & MF_CHECKED);

    char text[32] = "";
    MENUITEMINFOA info{};
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    EXPECT_TRUE(dialog().getMenuItemInfo(IDM_TWO, info));
    EXPECT_STREQ("&Two", text);
    info.dwTypeData = const_cast<char*>("&Second");
    EXPECT_TRUE(dialog().setMenuItemInfo(IDM_TWO, info));
    GetMenuStringA(GetMenu(open_->window), IDM_TWO, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("&Second", text);
}

TEST_F(ControlTest, ScrollCodesMoveTheScrollBarThroughTheDialogsHandler) {
    dialog().onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_HSCROLL) dialog().handleScroll(reinterpret_cast<HWND>(lParam), wParam);
        return 0;
    };
    dialog().scrollSetRange(IDC_SCROLL, 0, 100, 10);
    auto scrolled = [&](WORD code, WORD thumb = 0) {
        dialog().scrollSetPos(IDC_SCROLL, 50);
        SendMessageA(open_->window, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(item(IDC_SCROLL)));
        return dialog().scrollGetPos(IDC_SCROLL);
    };
    EXPECT_EQ(49, scrolled(SB_LINEUP));
    EXPECT_EQ(51, scrolled(SB_LINEDOWN));
    EXPECT_EQ(40, scrolled(SB_PAGEUP));
    EXPECT_EQ(60, scrolled(SB_PAGEDOWN));
    EXPECT_EQ(77, scrolled(SB_THUMBTRACK, 77));
    EXPECT_EQ(33, scrolled(SB_THUMBPOSITION, 33));
    EXPECT_EQ(0, scrolled(SB_TOP));
    EXPECT_EQ(91, scrolled(SB_BOTTOM)) << "the maximum, kept within the range by the system (one page short)";
    EXPECT_EQ(50, scrolled(SB_ENDSCROLL));
}
