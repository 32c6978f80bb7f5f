#include "gui/WindowUtilities.h"

#include <cstdint>

namespace {
// The midpoint formula in 64 bits: no overflow for any rectangle the system
// reports, and the same truncation toward zero as 32-bit arithmetic.
LONG centred(LONG low, LONG high, int size) {
    return static_cast<LONG>((static_cast<std::int64_t>(low) + high - size) / 2);
}
}  // namespace

POINT centredPosition(const RECT& owner, const RECT& work, int width, int height) {
    POINT at{centred(owner.left, owner.right, width), centred(owner.top, owner.bottom, height)};
    if (at.x < work.left) at.x = work.left;
    if (at.y < work.top) at.y = work.top;
    if (at.x + width > work.right) at.x = work.right - width;
    if (at.y + height > work.bottom) at.y = work.bottom - height;
    return at;
}

void centerWindow(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    centerWindowSize(window, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void centerWindowSize(HWND window, int width, int height) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) owner = GetDesktopWindow();
    RECT ownerBounds{};
    GetWindowRect(owner, &ownerBounds);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    POINT at = centredPosition(ownerBounds, work, width, height);
    SetWindowPos(window, nullptr, at.x, at.y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
