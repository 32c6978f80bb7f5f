// Spin buttons that step the number in their buddy field by the dialog's
// own step and limits; the up-down control's own position is not used.
#include "gui/ControlTexts.h"
#include "gui/VGuiDialogBase.h"

namespace {
// Reads the buddy, steps in the direction of the change and writes the value
// back when it stays within the limits. Integers step in 64 bits, so a step
// past the int range is out of range instead of wrapping.
template <typename Number, typename Wide>
void stepBuddy(const NMUPDOWN& change, Number minimum, Number maximum, Wide step, bool (*read)(HWND, Number&),
               BOOL (*write)(HWND, Number)) {
    if (change.hdr.code != static_cast<UINT>(UDN_DELTAPOS)) return;
    auto buddy = reinterpret_cast<HWND>(SendMessageA(change.hdr.hwndFrom, UDM_GETBUDDY, 0, 0));
    if (buddy == nullptr) return;
    Number value{};
    if (!read(buddy, value)) {
        MessageBeep(MB_ICONHAND);
        return;
    }
    Wide next = value;
    if (change.iDelta < 0) next -= step;
    if (change.iDelta > 0) next += step;
    if (next >= minimum && next <= maximum) write(buddy, static_cast<Number>(next));
}
}  // namespace

int VGuiDialogBase::initSpinButtons() {
    if (getWindow() == nullptr) return 0;
    HWND spin = nullptr;
    while ((spin = FindWindowExA(getWindow(), spin, UPDOWN_CLASSA, nullptr)) != nullptr)
        SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(10, 1));  // upper 10, lower 1: up is a positive change
    return 0;
}

void VGuiDialogBase::handleSpinInt(const NMUPDOWN& change, int minimum, int maximum, int step) {
    stepBuddy<int, long long>(change, minimum, maximum, step, readWindowInt, writeWindowInt);
}

void VGuiDialogBase::handleSpinReal(const NMUPDOWN& change, double minimum, double maximum, double step) {
    stepBuddy<double, double>(change, minimum, maximum, step, readWindowReal, writeWindowReal);
}
