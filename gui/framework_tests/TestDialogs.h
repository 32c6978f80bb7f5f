#pragma once
// Dialog, page and sheet classes whose behaviour each test supplies, and
// which record what reached them.
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "FrameworkTest.h"

#include "gui/VGuiDialog.h"
#include "gui/VPropertyPage.h"
#include "gui/VPropertySheet.h"

using MessageHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Without a handler of the test's own, OK ends the dialog with 1 and
// Cancel or the close box with 0.
class ScriptedDialog : public VGuiDialog {
public:
    explicit ScriptedDialog(int templateId) { setTemplate(templateId); }
    ~ScriptedDialog() override;

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT handleControlMessage(int controlId, bool& handled, HWND control, UINT message, WPARAM wParam,
                                 LPARAM lParam) override;
    bool received(UINT message) const;

    MessageHandler onMessage;
    std::function<LRESULT(int controlId, bool& handled, UINT message)> onControlMessage;
    std::vector<UINT> messages;
    bool* destroyed = nullptr;  // set to true by the destructor
};

// A modeless ScriptedDialog for one test; its window goes before the object.
class OpenDialog {
public:
    explicit OpenDialog(int templateId);
    ~OpenDialog();
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    ScriptedDialog dialog;
    HWND window;
};

// Tests on one modeless dialog of `templateId`, open from SetUp to TearDown.
template <int templateId>
class OpenDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped()) return;
        open_ = std::make_unique<OpenDialog>(templateId);
        ASSERT_NE(nullptr, open_->window);
    }
    void TearDown() override { open_.reset(); }

    ScriptedDialog& dialog() { return open_->dialog; }
    HWND window() { return open_->window; }
    HWND item(int controlId) { return GetDlgItem(open_->window, controlId); }

    std::unique_ptr<OpenDialog> open_;
};

// A page with a template and a title; it counts its WM_INITDIALOGs and
// notifications, and reports its destruction.
class ScriptedPage : public VPropertyPage {
public:
    ScriptedPage(int templateId, int titleId, std::vector<int>* log = nullptr)
        : templateId_(templateId), titleId_(titleId), log_(log) {}
    ~ScriptedPage() override;

    void fillPage(PageRecord& record) override;
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    int initCount = 0;
    int setActiveCount = 0;
    MessageHandler onMessage;

private:
    int templateId_;
    int titleId_;
    std::vector<int>* log_;  // gets +templateId at WM_INITDIALOG, -templateId at destruction
};

// `onMessage` sees every message of the sheet before the sheet's own handling.
class ScriptedSheet : public VPropertySheet {
public:
    explicit ScriptedSheet(DWORD flags) : flags_(flags) {}
    void fillHeader(SheetHeader& header) override;
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    std::function<void(UINT message)> onMessage;

private:
    DWORD flags_;
};
