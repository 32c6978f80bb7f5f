// The codec's Setup and About dialogs: modal, owned by the window that is
// active when they open. The Setup dialog stores its choices itself.
#pragma once

namespace drav {

void ShowSetupDialog();
void ShowAboutDialog();

}  // namespace drav
