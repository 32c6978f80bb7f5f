#include "DialogMessages.h"

#include <vfw.h>

#include "CodecDialogs.h"

namespace drav {

LRESULT driverConfigure() {
    ShowSetupDialog();
    return 1;
}

LRESULT configureMessage(LPARAM parent) {
    if (parent == DIALOG_QUERY) return ICERR_OK;
    return driverConfigure();
}

LRESULT aboutMessage(LPARAM parent) {
    if (parent != DIALOG_QUERY) ShowAboutDialog();
    return ICERR_OK;
}

}  // namespace drav
