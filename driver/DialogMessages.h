// The configure and about messages: queries answer at once, the others open
// the dialogs. lParam1 of the ICM messages (the caller's window) is not used.
#pragma once

#include <windows.h>

namespace drav {

// ICM_CONFIGURE and ICM_ABOUT send this instead of a window to ask whether
// the dialog exists.
constexpr LPARAM DIALOG_QUERY = -1;

// DRV_CONFIGURE: shows the Setup dialog, 1.
LRESULT driverConfigure();
// ICM_CONFIGURE: ICERR_OK for the query, else shows the Setup dialog, 1.
LRESULT configureMessage(LPARAM parent);
// ICM_ABOUT: ICERR_OK either way; shows the About dialog unless queried.
LRESULT aboutMessage(LPARAM parent);

}  // namespace drav
