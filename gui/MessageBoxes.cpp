#include "gui/MessageBoxes.h"

#include "foundation/VString.h"
#include "gui/ResourceStrings.h"

namespace {
int showBox(const VString& caption, const VString& text, UINT style) {
    return MessageBoxA(GetActiveWindow(), text.cStr(), caption.cStr(), style);
}
}  // namespace

int messageBox(int captionId, int textId, UINT style) {
    return showBox(resourceString(captionId), resourceString(textId), style);
}

void errorBox(int captionId, int textId) { showBox(resourceString(captionId), resourceString(textId), MB_ICONERROR); }

void errorBox(int captionId, const VString& text) { showBox(resourceString(captionId), text, MB_ICONERROR); }

int errorBox(const VString& caption, const VString& text) { return showBox(caption, text, MB_ICONERROR); }

int questionBox(int captionId, int textId) {
    return showBox(resourceString(captionId), resourceString(textId), MB_ICONQUESTION | MB_OKCANCEL);
}

int questionBox(const VString& caption, const VString& text) {
    return showBox(caption, text, MB_ICONQUESTION | MB_OKCANCEL);
}
