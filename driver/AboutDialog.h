// The codec's About dialog (template 102): product name, version and logo.
// It closes with OK and the close box, not with Esc.
#pragma once

#include <windows.h>

#include "gui/VGuiDialog.h"
#include "gui/VSemiBoldFont.h"

namespace drav {

class AboutDialog : public VGuiDialog {
public:
    AboutDialog();

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The product line in semi-bold on a transparent background.
    LRESULT paintTitle(HWND title, HDC dc);

    VSemiBoldFont titleFont_;  // made on first paint, released with the window
};

}  // namespace drav
