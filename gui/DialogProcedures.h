#pragma once
// The dialog procedures through which the system reaches window objects:
// template dialogs keep their object in DWLP_USER, property pages and the
// property sheet in GWLP_USERDATA. A VSystemException from a handler is shown
// and the message answered 0, so a failing handler never takes a dialog down.
#include <windows.h>

class VWindowObject;

// Template dialogs: the object comes as WM_INITDIALOG's lParam.
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Property pages and tab pages: WM_INITDIALOG's lParam points at the page
// record whose lParam is the object.
INT_PTR CALLBACK pageDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The property sheet: the object was stored by the sheet's creation callback.
INT_PTR CALLBACK sheetDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// object.handleMessage, with a VSystemException shown and answered 0.
LRESULT deliverMessage(VWindowObject& object, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Stores `object` in `slot` of `window` and attaches the window to it.
void attachObject(HWND window, int slot, VWindowObject* object);
// Clears `slot` of `window` when it still names `object`: an object that goes
// before its window must not be reached through the window afterwards.
void detachObject(HWND window, int slot, const VWindowObject* object);
