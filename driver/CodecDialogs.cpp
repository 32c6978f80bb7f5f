#include "CodecDialogs.h"

#include "AboutDialog.h"
#include "SetupDialog.h"

namespace drav {

void ShowSetupDialog() {
    SetupDialog setup;
    setup.runModal();
}

void ShowAboutDialog() {
    AboutDialog about;
    about.runModal();
}

}  // namespace drav
