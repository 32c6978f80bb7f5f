// Texts and numbers of controls, and formatted text into the caption.
#include <cstdarg>
#include <cstdio>

#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "gui/ControlTexts.h"
#include "gui/VGuiDialogBase.h"

namespace {
constexpr int ITEM_TEXT_SIZE = 256;
}

BOOL VGuiDialogBase::setItemInt(int controlId, int value) { return writeWindowInt(getItem(controlId), value); }

BOOL VGuiDialogBase::setItemReal(int controlId, double value) { return writeWindowReal(getItem(controlId), value); }

BOOL VGuiDialogBase::setItemText(int controlId, const VString& text) {
    return SetWindowTextA(getItem(controlId), text.cStr());
}

BOOL VGuiDialogBase::setItemFormat(int controlId, const char* format, ...) {
    HWND target = controlId == 0 ? getWindow() : getItem(controlId);
    if (target == nullptr) throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_NO_CAPTION_WINDOW, VGUIDIALOGBASE_FILE);
    char text[ITEM_TEXT_SIZE];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return SetWindowTextA(target, text);
}

bool VGuiDialogBase::getItemInt(int controlId, int& value) const { return readWindowInt(getItem(controlId), value); }

bool VGuiDialogBase::getItemReal(int controlId, double& value) const {
    return readWindowReal(getItem(controlId), value);
}

bool VGuiDialogBase::getItemText(int controlId, VString& text) const {
    char buffer[ITEM_TEXT_SIZE] = "";
    GetWindowTextA(getItem(controlId), buffer, ITEM_TEXT_SIZE);
    text.assign(buffer);
    return true;
}
