// The core of the dialog object: controls by id, tab pages it owns, and its
// end, which leaves neither the window nor any control pointing at it.
#include "gui/VGuiDialogBase.h"

#include "foundation/VSystemException.h"
#include "gui/DialogProcedures.h"
#include "gui/VPropertyPage.h"

VGuiDialogBase::~VGuiDialogBase() {
    // Page objects outlive their windows' WM_DESTROY.
    destroyTabPages();
    pages_.deleteAll();
    for (int index = 0; index < subclassTable_.count(); ++index) {
        if (subclassTable_.at(index).controlId != SubclassTable::FREE_ENTRY) restoreSubclass(index);
    }
    subclassTable_.clear();
    pageTable_.clear();
    detachObject(getWindow(), DWLP_USER, this);
    detachObject(getWindow(), GWLP_USERDATA, this);
}

LRESULT VGuiDialogBase::handleControlMessage(int, bool& handled, HWND, UINT, WPARAM, LPARAM) {
    handled = false;
    return 0;
}

HWND VGuiDialogBase::getItem(int controlId) const {
    HWND item = GetDlgItem(getWindow(), controlId);
    if (item == nullptr) throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_NO_ITEM, VGUIDIALOGBASE_FILE);
    return item;
}

int VGuiDialogBase::getControlId(HWND control) const {
    int id = GetDlgCtrlID(control);
    if (id == 0) throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_NO_CONTROL_ID, VGUIDIALOGBASE_FILE);
    return id;
}

LONG_PTR VGuiDialogBase::setMessageResult(LONG_PTR value) {
    return SetWindowLongPtrA(getWindow(), DWLP_MSGRESULT, value);
}
