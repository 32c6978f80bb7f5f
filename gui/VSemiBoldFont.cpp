#include "gui/VSemiBoldFont.h"

namespace {
HFONT fontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)); }
}  // namespace

void VSemiBoldFont::apply(HWND control, HDC dc) {
    if (font_ == nullptr) {
        controlFont_ = fontOf(control);
        LOGFONTA font{};
        HGDIOBJ base = controlFont_ != nullptr ? controlFont_ : GetCurrentObject(dc, OBJ_FONT);
        if (GetObjectA(base, sizeof font, &font) != sizeof font) return;
        font.lfWeight = FW_SEMIBOLD;
        font_ = CreateFontIndirectA(&font);
        if (font_ == nullptr) return;
        control_ = control;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    SelectObject(dc, font_);
}

void VSemiBoldFont::release() {
    if (font_ == nullptr) return;
    if (IsWindow(control_) && fontOf(control_) == font_)
        SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont_), FALSE);
    DeleteObject(font_);
    font_ = nullptr;
    control_ = nullptr;
    controlFont_ = nullptr;
}
