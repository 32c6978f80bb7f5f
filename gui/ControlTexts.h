#pragma once
// Reading and writing the texts of controls: numbers in edit fields (and spin
// buddies) and the items of list and combo boxes.
#include <windows.h>

class VString;

// Numbers are read from at most 31 characters of a control's text.
inline constexpr int NUMBER_TEXT_SIZE = 32;

// True when the whole text is a number; the empty text is 0. Leading blanks
// are skipped, trailing ones are not. `value` is 0 on failure.
bool wholeTextToInt(const char* text, int& value);
bool wholeTextToReal(const char* text, double& value);

bool readWindowInt(HWND window, int& value);
bool readWindowReal(HWND window, double& value);
// "%d" and "%g"; the system's result.
BOOL writeWindowInt(HWND window, int value);
BOOL writeWindowReal(HWND window, double value);

// Reads item `index` of a list or combo box whose text length the control
// already reported (`length` > 0) with `textMessage` (LB_GETTEXT or
// CB_GETLBTEXT). Returns the control's answer; `text` holds the item, or is
// empty when the answer is an error.
LRESULT readListItemText(HWND control, UINT textMessage, int index, LRESULT length, VString& text);
