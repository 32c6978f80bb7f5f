// Numeric input validation: the first failing field of a pass is reported
// and focused; the validators after it stay silent.
#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "gui/VGuiDialogBase.h"

// Shared by both kinds of number: `readField` parses the field, and a NaN
// compares with nothing and fails the range.
template <typename Number>
void VGuiDialogBase::validateNumber(bool& failed, int controlId, Number& value, Number minimum, Number maximum,
                                    int rangeMessageId, int notANumberMessage,
                                    bool (VGuiDialogBase::*readField)(int, Number&) const) {
    if (failed) return;
    Number read{};
    VString message;
    if (!(this->*readField)(controlId, read)) {
        message = VSystemException::getSystemMessage(notANumberMessage);
    } else if (!(read >= minimum) || read > maximum) {
        message.format(rangeMessageId, minimum, maximum);
    } else {
        value = read;
        return;
    }
    failed = true;
    reportValidation(failed, controlId, message);
}

void VGuiDialogBase::validateInt(bool& failed, int controlId, int& value, int minimum, int maximum,
                                 int rangeMessageId) {
    validateNumber(failed, controlId, value, minimum, maximum, rangeMessageId, MSG_ILLEGAL_INTEGER,
                   &VGuiDialogBase::getItemInt);
}

void VGuiDialogBase::validateReal(bool& failed, int controlId, double& value, double minimum, double maximum,
                                  int rangeMessageId) {
    validateNumber(failed, controlId, value, minimum, maximum, rangeMessageId, MSG_ILLEGAL_REAL,
                   &VGuiDialogBase::getItemReal);
}

void VGuiDialogBase::reportValidation(bool failed, int controlId, const VString& message) {
    if (!failed) return;
    MessageBoxA(getWindow(), message.cStr(), VSystemException::getSystemMessage(MSG_ERROR_CAPTION), MB_ICONERROR);
    if (controlId != -1) focusItem(controlId);
}
