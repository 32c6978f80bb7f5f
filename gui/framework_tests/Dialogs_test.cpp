// Template dialogs through dialogProcedure: attachment, routing, results,
// failures inside and outside handlers, and the end of window and object.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"

#include <new>

namespace {
constexpr UINT COMMAND_USE_MISSING_ITEM = 900;

// A modeless dialog's object that deletes itself with its window. It lives
// alone on pages that become inaccessible when it is deleted, and a watcher
// counts the faults there (the system ignores faults inside a window
// procedure, and these tests run without a memory checker).
class SelfDeletingDialog : public VGuiDialog {
public:
    SelfDeletingDialog() { setTemplate(IDD_PLAIN); }
    static void* operator new(std::size_t size) {
        block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (block == nullptr) throw std::bad_alloc();
        blockSize = size;
        return block;
    }
    // The pages stay reserved, so nothing else comes to live there.
    static void operator delete(void* deleted, std::size_t size) {
        DWORD previous = 0;
        VirtualProtect(deleted, size, PAGE_NOACCESS, &previous);
        ++deletions;
    }
    static LONG CALLBACK countTouches(EXCEPTION_POINTERS* exception) {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        ULONG_PTR offset = record.ExceptionInformation[1] - reinterpret_cast<ULONG_PTR>(block);
        if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && offset < blockSize) ++touches;
        return EXCEPTION_CONTINUE_SEARCH;
    }
    LRESULT handleMessage(HWND, UINT message, WPARAM, LPARAM) override {
        if (message == WM_NCDESTROY) delete this;
        return 0;
    }

    static inline void* block = nullptr;
    static inline std::size_t blockSize = 0;
    static inline int deletions = 0;
    static inline int touches = 0;
};

// Runs the dialog modally while `script` drives it from a second thread.
INT_PTR runDriven(ScriptedDialog& dialog, std::function<void()> script) {
    BackgroundScript driver(std::move(script));
    return dialog.runModal();
}
}  // namespace

class DialogTest : public WindowTest {};

TEST_F(DialogTest, TheObjectSeesItsOwnInitDialogWithTheWindowAttached) {
    ScriptedDialog dialog(IDD_PLAIN);
    HWND attachedAtInit = nullptr;
    dialog.onMessage = [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_INITDIALOG) attachedAtInit = dialog.getWindow();
        return 0;
    };
    HWND window = dialog.createModeless();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, attachedAtInit);
    EXPECT_EQ(window, dialog.getWindow());
    ASSERT_FALSE(dialog.messages.empty());
    EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), dialog.messages.front()) << "messages before it are not delivered";
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(static_cast<VWindowObject*>(&dialog)), GetWindowLongPtrA(window, DWLP_USER));
    DestroyWindow(window);
}

TEST_F(DialogTest, SetFontNeverReachesTheObject) {
    OpenDialog open(IDD_PLAIN);  // its template has a font: WM_SETFONT came before WM_INITDIALOG
    SendMessageA(open.window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    EXPECT_FALSE(open.dialog.received(WM_SETFONT));
    EXPECT_EQ(0, SendMessageA(open.window, WM_SETFONT, 0, FALSE));
}

TEST_F(DialogTest, ModalResultsOfOkCancelAndTheCloseBox) {
    ScriptedDialog dialog(IDD_PLAIN);
    EXPECT_EQ(1, runDriven(dialog, [] {
                  if (HWND window = requireWindow("Framework Plain")) clickButton(window, IDOK);
              }));
    EXPECT_EQ(0, runDriven(dialog, [] {
                  if (HWND window = requireWindow("Framework Plain")) clickButton(window, IDCANCEL);
              }));
    EXPECT_EQ(0, runDriven(dialog, [] {
                  if (HWND window = requireWindow("Framework Plain")) PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
              }));
    EXPECT_TRUE(dialog.received(WM_CLOSE));
}

TEST_F(DialogTest, RunsOwnedByItsParent) {
    OpenDialog owner(IDD_CONTROLS);
    ScriptedDialog dialog(IDD_PLAIN);
    dialog.setParent(owner.window);
    HWND seenOwner = nullptr;
    runDriven(dialog, [&] {
        if (HWND window = requireWindow("Framework Plain")) {
            seenOwner = GetWindow(window, GW_OWNER);
            clickButton(window, IDOK);
        }
    });
    EXPECT_EQ(owner.window, seenOwner);
}

TEST_F(DialogTest, NoTemplateRaisesBeforeAnyWindowExists) {
    ScriptedDialog dialog(0);
    EXPECT_TRUE(raises([&] { dialog.runModal(); }, ErrorGui, 2130, "VGuiDialogBase"));
    EXPECT_TRUE(raises([&] { dialog.createModeless(); }, ErrorGui, 2146, "VGuiDialogBase"));
    EXPECT_EQ(nullptr, dialog.getWindow());
    EXPECT_TRUE(dialog.messages.empty());
}

TEST_F(DialogTest, AnExceptionInInitDialogIsShownAndTheDialogStillOpens) {
    ScriptedDialog dialog(IDD_PLAIN);
    dialog.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_INITDIALOG) throw VSystemException(ErrorGui, 4242, "DialogsTest");
        if (message == WM_COMMAND && wParam == IDOK) dialog.endDialogOk();
        return 0;
    };
    std::string shown;
    INT_PTR result = runDriven(dialog, [&] {
        shown = closeMessageBox("Exception");
        if (HWND window = requireWindow("Framework Plain")) clickButton(window, IDOK);
    });
    EXPECT_EQ("GUI Error\n\nFile: DialogsTest\nLine: 4242", shown);
    EXPECT_EQ(1, result);
}

TEST_F(DialogTest, AMissingItemInsideAHandlerIsShownAndTheDialogStaysOpen) {
    ScriptedDialog dialog(IDD_PLAIN);
    dialog.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_COMMAND && wParam == COMMAND_USE_MISSING_ITEM) dialog.getItem(IDC_MISSING);
        if (message == WM_COMMAND && wParam == IDOK) dialog.endDialogOk();
        return 0;
    };
    std::string shown;
    bool stillOpen = false;
    INT_PTR result = runDriven(dialog, [&] {
        HWND window = requireWindow("Framework Plain");
        if (window == nullptr) return;
        PostMessageA(window, WM_COMMAND, COMMAND_USE_MISSING_ITEM, 0);
        shown = closeMessageBox("Exception");
        stillOpen = IsWindowVisible(window) != FALSE;
        clickButton(window, IDOK);
    });
    EXPECT_EQ("GUI Error\n\nFile: VGuiDialogBase\nLine: 54", shown);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(1, result);
}

TEST_F(DialogTest, ItemLookupsRaiseOutsideHandlers) {
    OpenDialog open(IDD_PLAIN);
    EXPECT_EQ(GetDlgItem(open.window, IDC_PLAIN_EDIT), open.dialog.getItem(IDC_PLAIN_EDIT));
    EXPECT_EQ(IDC_PLAIN_EDIT, open.dialog.getControlId(open.dialog.getItem(IDC_PLAIN_EDIT)));
    EXPECT_TRUE(raises([&] { open.dialog.getItem(IDC_MISSING); }, ErrorGui, 54, "VGuiDialogBase"));
    HWND withoutId = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, open.window, nullptr, nullptr, nullptr);
    EXPECT_TRUE(raises([&] { open.dialog.getControlId(withoutId); }, ErrorGui, 73, "VGuiDialogBase"));
}

TEST_F(DialogTest, ADestroyedWindowLeavesTheObjectWithoutIt) {
    OpenDialog open(IDD_PLAIN);
    DestroyWindow(open.window);
    EXPECT_TRUE(open.dialog.received(WM_DESTROY));
    EXPECT_EQ(nullptr, open.dialog.getWindow());
}

TEST_F(DialogTest, AnObjectThatDeletesItselfAtTheLastMessageIsNotTouchedAfterwards) {
    HWND window = (new SelfDeletingDialog)->createModeless();
    ASSERT_NE(nullptr, window);
    PVOID watcher = AddVectoredExceptionHandler(1, SelfDeletingDialog::countTouches);
    EXPECT_TRUE(DestroyWindow(window));
    RemoveVectoredExceptionHandler(watcher);
    EXPECT_EQ(1, SelfDeletingDialog::deletions);
    EXPECT_EQ(0, SelfDeletingDialog::touches);
}

TEST_F(DialogTest, AnObjectDestroyedFirstIsNoLongerReachedThroughItsWindow) {
    auto* dialog = new ScriptedDialog(IDD_PLAIN);
    HWND window = dialog->createModeless();
    delete dialog;
    EXPECT_EQ(0, GetWindowLongPtrA(window, DWLP_USER));
    SendMessageA(window, WM_COMMAND, IDOK, 0);  // reaches no object
    EXPECT_TRUE(DestroyWindow(window));
}
