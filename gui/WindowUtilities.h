#pragma once
// Placing a window centred over its owner, inside the work area.
#include <windows.h>

// centerWindowSize with the window's current outer size.
void centerWindow(HWND window);
// Moves the window centred over its owner (the desktop when it has none),
// clamped to the work area. Never resizes, reorders or activates it.
void centerWindowSize(HWND window, int width, int height);

// The top-left corner that centres a width x height window over `owner`,
// clamped to `work`: left, top, then right and bottom, so a window larger
// than the work area ends at its right or bottom edge.
POINT centredPosition(const RECT& owner, const RECT& work, int width, int height);
