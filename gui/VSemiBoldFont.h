#pragma once
// A static control drawn in a semi-bold copy of its own font, for a dialog
// that answers the control's WM_CTLCOLORSTATIC. The copy is given to the
// control as its font: a static control selects its own font after it has
// asked for its colours, so a font selected into the device context alone
// would be undone before anything is drawn.
#include <windows.h>

class VSemiBoldFont {
public:
    VSemiBoldFont() = default;
    // A dialog object that goes before its window leaves no deleted font in
    // the control.
    ~VSemiBoldFont() { release(); }
    VSemiBoldFont(const VSemiBoldFont&) = delete;
    VSemiBoldFont& operator=(const VSemiBoldFont&) = delete;

    // From WM_CTLCOLORSTATIC for `control`: makes the copy on first use, from
    // the control's font (else the one selected into `dc`), gives it to the
    // control and selects it into `dc`.
    void apply(HWND control, HDC dc);
    // At the dialog's WM_DESTROY: the control gets its own font back and the
    // copy is deleted; the next apply makes a new one.
    void release();

private:
    HFONT font_ = nullptr;
    HWND control_ = nullptr;
    HFONT controlFont_ = nullptr;  // the control's own, given back at release
};
