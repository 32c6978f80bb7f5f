#pragma once
// Message boxes owned by the active window. Texts given by id come from the
// module's string table; an id that does not load raises VSystemException
// before any box is shown.
#include <windows.h>

class VString;

int messageBox(int captionId, int textId, UINT style);
void errorBox(int captionId, int textId);
void errorBox(int captionId, const VString& text);
int errorBox(const VString& caption, const VString& text);
// OK and Cancel; IDOK or IDCANCEL.
int questionBox(int captionId, int textId);
int questionBox(const VString& caption, const VString& text);
