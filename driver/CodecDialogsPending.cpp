// Stand-ins until the dialogs are built on the window framework.
#include "CodecDialogs.h"

namespace drav {

void ShowSetupDialog() {}
void ShowAboutDialog() {}

}  // namespace drav
