// The codec's Setup dialog (template 104): the three compatibility switches
// as check boxes ("Disable ..."), stored when OK is pressed, and only those
// that changed.
#pragma once

#include <windows.h>

#include "ProcessorTest.h"
#include "gui/VGuiDialog.h"

namespace drav {

class SetupDialog : public VGuiDialog {
public:
    // `hasMMX` answers whether the processor runs MMX instructions.
    explicit SetupDialog(bool (*hasMMX)() = CpuHasMMX);

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void showSettings();
    void storeSettings();
    void storeMMXSetting();
    void showAbout();

    bool (*hasMMX_)();
};

}  // namespace drav
