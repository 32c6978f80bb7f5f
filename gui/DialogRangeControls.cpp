// Trackbars and progress bars. A vertical trackbar has its minimum at the
// top; positions are mirrored so that callers see the top end as maximum.
#include "gui/VGuiDialogBase.h"

namespace {
bool isVertical(HWND trackbar) { return (GetWindowLongPtrA(trackbar, GWL_STYLE) & TBS_VERT) != 0; }

int mirrored(HWND trackbar, int position) {
    auto minimum = static_cast<int>(SendMessageA(trackbar, TBM_GETRANGEMIN, 0, 0));
    auto maximum = static_cast<int>(SendMessageA(trackbar, TBM_GETRANGEMAX, 0, 0));
    return minimum + maximum - position;
}

int asSeen(HWND trackbar, int position) { return isVertical(trackbar) ? mirrored(trackbar, position) : position; }
}  // namespace

void VGuiDialogBase::trackbarSetRange(int controlId, int minimum, int maximum) {
    SendMessageA(getItem(controlId), TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
}

int VGuiDialogBase::trackbarGetPos(int controlId) const {
    HWND trackbar = getItem(controlId);
    return asSeen(trackbar, static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0)));
}

void VGuiDialogBase::trackbarSetPos(int controlId, int position) {
    HWND trackbar = getItem(controlId);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, asSeen(trackbar, position));
}

void VGuiDialogBase::trackbarSetTicFrequency(int controlId, int frequency) {
    SendMessageA(getItem(controlId), TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0);
}

void VGuiDialogBase::progressSetRange(int controlId, int minimum, int maximum) {
    SendMessageA(getItem(controlId), PBM_SETRANGE, 1, MAKELPARAM(minimum, maximum));
}

void VGuiDialogBase::progressSetPos(int controlId, int position) {
    SendMessageA(getItem(controlId), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
