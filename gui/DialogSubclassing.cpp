// Subclassed child controls: their messages go to the dialog's
// handleControlMessage first, and to their own procedure when it leaves
// them unhandled.
#include "foundation/VSystemException.h"
#include "gui/VGuiDialogBase.h"

int VGuiDialogBase::subclassItem(int controlId) {
    HWND control = getItem(controlId);
    // Subclassing twice would record our own procedure as the one to call.
    int existing = subclassTable_.find(control);
    if (existing != SubclassTable::NOT_FOUND) return existing;
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    int index = subclassTable_.add(control, controlId, previous);
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&controlProcedure));
    return index;
}

int VGuiDialogBase::unsubclassItem(int controlId) {
    int index = subclassTable_.find(getItem(controlId));
    if (index != SubclassTable::NOT_FOUND) restoreSubclass(index);
    return index;
}

void VGuiDialogBase::restoreSubclass(int index) {
    SubclassEntry entry = subclassTable_.at(index);
    if (IsWindow(entry.control)) {
        SetWindowLongPtrA(entry.control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.previousProcedure));
        SetWindowLongPtrA(entry.control, GWLP_USERDATA, 0);
    }
    subclassTable_.release(index);
}

LRESULT CALLBACK VGuiDialogBase::controlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<VGuiDialogBase*>(GetWindowLongPtrA(control, GWLP_USERDATA));
    if (dialog == nullptr) return 0;
    return dialog->routeControlMessage(control, message, wParam, lParam);
}

LRESULT VGuiDialogBase::routeControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    int index = control == getWindow() ? SubclassTable::NOT_FOUND : subclassTable_.find(control);
    if (index == SubclassTable::NOT_FOUND) return 0;
    bool handled = false;
    LRESULT result = 0;
    try {
        result = handleControlMessage(subclassTable_.at(index).controlId, handled, control, message, wParam, lParam);
    } catch (const VSystemException& failure) {
        // Unwinding through the system's window procedure is no option.
        failure.show();
        return 0;
    }
    if (handled) return result;
    index = subclassTable_.find(control);  // the handler may have unsubclassed it
    if (index == SubclassTable::NOT_FOUND) return 0;
    WNDPROC previous = subclassTable_.at(index).previousProcedure;
    // The control's last message: free its record before the handle can be
    // given to another window.
    if (message == WM_NCDESTROY) restoreSubclass(index);
    return CallWindowProcA(previous, control, message, wParam, lParam);
}
