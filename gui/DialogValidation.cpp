// Numeric input validation: the first failing field of a pass is reported
// and focused; the validators after it stay silent.
#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "gui/VGuiDialogBase.h"

void VGuiDialogBase::validateInt(bool& failed, int controlId, int& value, int minimum, int maximum,
                                 int rangeMessageId) {
  if (failed) return;
  VString message;
  int read = 0;
  if (!getItemInt(controlId, read)) {
    message = VSystemException::getSystemMessage(MSG_ILLEGAL_INTEGER);
    failed = true;
  } else if (read < minimum || read > maximum) {
    message.format(rangeMessageId, minimum, maximum);
    failed = true;
  } else {
    value = read;
  }
  reportValidation(failed, controlId, message);
}

void VGuiDialogBase::validateReal(bool& failed, int controlId, double& value, double minimum, double maximum,
                                  int rangeMessageId) {
  if (failed) return;
  VString message;
  double read = 0.0;
  if (!getItemReal(controlId, read)) {
    message = VSystemException::getSystemMessage(MSG_ILLEGAL_REAL);
    failed = true;
  } else if (!(read >= minimum) || read > maximum) {  // NaN compares with nothing and fails
    message.format(rangeMessageId, minimum, maximum);
    failed = true;
  } else {
    value = read;
  }
  reportValidation(failed, controlId, message);
}

void VGuiDialogBase::reportValidation(bool failed, int controlId, const VString& message) {
  if (!failed) return;
  MessageBoxA(getWindow(), message.cStr(), VSystemException::getSystemMessage(MSG_ERROR_CAPTION), MB_ICONERROR);
  if (controlId != -1) focusItem(controlId);
}
