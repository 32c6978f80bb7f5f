// Subclassed controls: the record table, routing to handleControlMessage,
// and restoring the control's own procedure.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"
#include "gui/SubclassTable.h"

namespace {
constexpr UINT PING = WM_USER + 7;

HWND fakeWindow(UINT_PTR n) { return reinterpret_cast<HWND>(n); }

LONG_PTR procedureOf(HWND control) { return GetWindowLongPtrA(control, GWLP_WNDPROC); }
}  // namespace

TEST(SubclassTable, FreedRecordsAreReusedBeforeTheTableGrows) {
    SubclassTable table;
    EXPECT_EQ(0, table.add(fakeWindow(0x10), 1, nullptr));
    EXPECT_EQ(1, table.add(fakeWindow(0x20), 2, nullptr));
    table.release(0);
    EXPECT_EQ(SubclassTable::FREE_ENTRY, table.at(0).controlId);
    EXPECT_EQ(0, table.add(fakeWindow(0x30), 3, nullptr));
    EXPECT_EQ(2, table.count());
    EXPECT_EQ(3, table.at(0).controlId);
    EXPECT_EQ(2, table.add(fakeWindow(0x40), 4, nullptr));
}

TEST(SubclassTable, LookupCachesTheIndexFound) {
    SubclassTable table;
    table.add(fakeWindow(0x10), 1, nullptr);
    table.add(fakeWindow(0x20), 2, nullptr);
    EXPECT_EQ(SubclassTable::NOT_FOUND, table.lastFoundIndex());
    EXPECT_EQ(1, table.find(fakeWindow(0x20)));
    EXPECT_EQ(1, table.lastFoundIndex());
    EXPECT_EQ(0, table.find(fakeWindow(0x10)));
    EXPECT_EQ(0, table.lastFoundIndex());
    EXPECT_EQ(SubclassTable::NOT_FOUND, table.find(fakeWindow(0x99)));
    EXPECT_EQ(0, table.lastFoundIndex()) << "a miss keeps the last hit";
}

TEST(SubclassTable, FreeRecordsAreNeverFound) {
    SubclassTable table;
    table.add(fakeWindow(0x10), 1, nullptr);
    table.release(0);
    EXPECT_EQ(SubclassTable::NOT_FOUND, table.find(nullptr));
    EXPECT_EQ(SubclassTable::NOT_FOUND, table.find(fakeWindow(0x10)));
}

class SubclassTest : public WindowTest {};

TEST_F(SubclassTest, RemovingTheFirstAndSubclassingAThirdReusesItsRecord) {
    OpenDialog open(IDD_CONTROLS);
    EXPECT_EQ(0, open.dialog.subclassItem(IDC_EDIT_A));
    EXPECT_EQ(1, open.dialog.subclassItem(IDC_EDIT_B));
    EXPECT_EQ(0, open.dialog.unsubclassItem(IDC_EDIT_A));
    EXPECT_EQ(0, open.dialog.subclassItem(IDC_CHECK));
    EXPECT_EQ(2, open.dialog.subclassRecords().count());
}

TEST_F(SubclassTest, MessagesReachHandleControlMessageWithTheControlsId) {
    OpenDialog open(IDD_CONTROLS);
    int seenId = 0;
    open.dialog.onControlMessage = [&](int controlId, bool& handled, UINT message) -> LRESULT {
        if (message != PING) return 0;
        seenId = controlId;
        handled = true;
        return 1234;
    };
    open.dialog.subclassItem(IDC_EDIT_B);
    EXPECT_EQ(1234, SendMessageA(open.dialog.getItem(IDC_EDIT_B), PING, 0, 0));
    EXPECT_EQ(IDC_EDIT_B, seenId);
}

TEST_F(SubclassTest, UnhandledMessagesBehaveAsBefore) {
    OpenDialog open(IDD_CONTROLS);
    open.dialog.subclassItem(IDC_EDIT_A);
    HWND edit = open.dialog.getItem(IDC_EDIT_A);
    SetWindowTextA(edit, "typed");
    EXPECT_EQ("typed", windowText(edit));
    SendMessageA(edit, EM_SETSEL, 1, 3);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(1u, start);
    EXPECT_EQ(3u, end);
}

TEST_F(SubclassTest, UnsubclassingRestoresTheProcedure) {
    OpenDialog open(IDD_CONTROLS);
    HWND edit = open.dialog.getItem(IDC_EDIT_A);
    LONG_PTR original = procedureOf(edit);
    open.dialog.subclassItem(IDC_EDIT_A);
    EXPECT_NE(original, procedureOf(edit));
    open.dialog.unsubclassItem(IDC_EDIT_A);
    EXPECT_EQ(original, procedureOf(edit));
    EXPECT_EQ(0, GetWindowLongPtrA(edit, GWLP_USERDATA));
    EXPECT_EQ(-1, open.dialog.unsubclassItem(IDC_EDIT_A));
}

TEST_F(SubclassTest, SubclassingTwiceKeepsOneRecord) {
    OpenDialog open(IDD_CONTROLS);
    HWND edit = open.dialog.getItem(IDC_EDIT_A);
    LONG_PTR original = procedureOf(edit);
    EXPECT_EQ(0, open.dialog.subclassItem(IDC_EDIT_A));
    EXPECT_EQ(0, open.dialog.subclassItem(IDC_EDIT_A));
    SetWindowTextA(edit, "still works");  // would recurse forever through a second record
    EXPECT_EQ("still works", windowText(edit));
    open.dialog.unsubclassItem(IDC_EDIT_A);
    EXPECT_EQ(original, procedureOf(edit));
}

TEST_F(SubclassTest, AControlDestroyedWhileSubclassedFreesItsRecord) {
    OpenDialog open(IDD_CONTROLS);
    open.dialog.subclassItem(IDC_EDIT_A);
    DestroyWindow(open.dialog.getItem(IDC_EDIT_A));
    EXPECT_EQ(SubclassTable::FREE_ENTRY, open.dialog.subclassRecords().at(0).controlId);
}

TEST_F(SubclassTest, ADialogObjectDestroyedFirstGivesTheControlsTheirProceduresBack) {
    auto* dialog = new ScriptedDialog(IDD_CONTROLS);
    HWND window = dialog->createModeless();
    HWND edit = GetDlgItem(window, IDC_EDIT_A);
    LONG_PTR original = procedureOf(edit);
    dialog->subclassItem(IDC_EDIT_A);
    delete dialog;
    EXPECT_EQ(original, procedureOf(edit));
    SetWindowTextA(edit, "after");
    EXPECT_EQ("after", windowText(edit));
    DestroyWindow(window);
}

TEST_F(SubclassTest, AnExceptionInTheControlHandlerIsShownAndAnswered0) {
    OpenDialog open(IDD_CONTROLS);
    open.dialog.onControlMessage = [](int, bool&, UINT message) -> LRESULT {
        if (message == PING) throw VSystemException(ErrorGui, 77, "SubclassingTest");
        return 0;
    };
    open.dialog.subclassItem(IDC_EDIT_A);
    MessageBoxCloser closer("Exception");
    EXPECT_EQ(0, SendMessageA(open.dialog.getItem(IDC_EDIT_A), PING, 0, 0));
    std::vector<std::string> shown = closer.stop();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("GUI Error\n\nFile: SubclassingTest\nLine: 77", shown[0]);
}
