#include "gui/DialogProcedures.h"

#include <commctrl.h>

#include "foundation/VSystemException.h"
#include "gui/VWindowObject.h"

namespace {
VWindowObject* objectIn(HWND window, int slot) {
    return reinterpret_cast<VWindowObject*>(GetWindowLongPtrA(window, slot));
}

// Hands the message to the object in `slot`; before the object is attached
// the system's default processing applies. WM_NCDESTROY is the window's last
// message, after which neither side may point at the other. Its handler may
// delete the object (a modeless window's usual end), whose destructor then
// empties the slot: only an object still in the slot is touched again.
INT_PTR routeToObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int slot) {
    VWindowObject* object = objectIn(window, slot);
    if (object == nullptr) return 0;
    LRESULT result = deliverMessage(*object, window, message, wParam, lParam);
    if (message == WM_NCDESTROY && objectIn(window, slot) == object) {
        SetWindowLongPtrA(window, slot, 0);
        if (object->getWindow() == window) object->setWindow(nullptr);
    }
    return result;
}
}  // namespace

LRESULT deliverMessage(VWindowObject& object, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return object.handleMessage(window, message, wParam, lParam);
    } catch (const VSystemException& failure) {
        failure.show();
        return 0;
    }
}

void attachObject(HWND window, int slot, VWindowObject* object) {
    SetWindowLongPtrA(window, slot, reinterpret_cast<LONG_PTR>(object));
    object->setWindow(window);
}

void detachObject(HWND window, int slot, const VWindowObject* object) {
    if (window != nullptr && IsWindow(window) && objectIn(window, slot) == object) SetWindowLongPtrA(window, slot, 0);
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFONT) return 0;
    if (message == WM_INITDIALOG && lParam != 0)
        attachObject(window, DWLP_USER, reinterpret_cast<VWindowObject*>(lParam));
    return routeToObject(window, message, wParam, lParam, DWLP_USER);
}

INT_PTR CALLBACK pageDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFONT) return 0;
    if (message == WM_INITDIALOG && lParam != 0) {
        auto* page = reinterpret_cast<VWindowObject*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        if (page != nullptr) attachObject(window, GWLP_USERDATA, page);
    }
    return routeToObject(window, message, wParam, lParam, GWLP_USERDATA);
}

INT_PTR CALLBACK sheetDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return routeToObject(window, message, wParam, lParam, GWLP_USERDATA);
}
