#include "gui/VGuiDialog.h"

#include "foundation/VSystemException.h"
#include "gui/DialogProcedures.h"
#include "foundation/ModuleState.h"

namespace {
// The dialog procedure reads the object back as a VWindowObject.
LPARAM creationParameter(VGuiDialog* dialog) { return reinterpret_cast<LPARAM>(static_cast<VWindowObject*>(dialog)); }
}  // namespace

INT_PTR VGuiDialog::runModal() {
    if (templateId_ == 0) throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_MODAL_NO_TEMPLATE, VGUIDIALOGBASE_FILE);
    return DialogBoxParamA(getModuleInstance(), MAKEINTRESOURCEA(templateId_), getParent(), dialogProcedure,
                           creationParameter(this));
}

HWND VGuiDialog::createModeless() {
    if (templateId_ == 0)
        throw VSystemException(ErrorGui, VGUIDIALOGBASE_LINE_MODELESS_NO_TEMPLATE, VGUIDIALOGBASE_FILE);
    return CreateDialogParamA(getModuleInstance(), MAKEINTRESOURCEA(templateId_), getParent(), dialogProcedure,
                              creationParameter(this));
}

void VGuiDialog::endDialogCancel() { EndDialog(getWindow(), 0); }

void VGuiDialog::endDialogOk() { EndDialog(getWindow(), 1); }

void VGuiDialog::show() { ShowWindow(getWindow(), SW_SHOW); }

void VGuiDialog::hide() { ShowWindow(getWindow(), SW_HIDE); }

bool VGuiDialog::isVisible() const { return IsWindowVisible(getWindow()) == TRUE; }
