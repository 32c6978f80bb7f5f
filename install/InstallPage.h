#pragma once
// What the installer's three wizard pages have in common: a titled page from
// a dialog template, allocated from the class library's heap.
#include <windows.h>

#include <cstddef>

#include "gui/VPropertyPage.h"

class InstallPage : public VPropertyPage {
public:
    // The library's heap reports a refused allocation as null rather than
    // std::bad_alloc, so the wizard can report it the library's way.
    static void* operator new(std::size_t bytes) noexcept;
    static void operator delete(void* block) noexcept;

    // PSP_USETITLE with the page's template and title; no icon.
    void fillPage(PageRecord& record) override;

protected:
    InstallPage(int templateId, int titleId) : templateId_(templateId), titleId_(titleId) {}

    // True for WM_NOTIFY with notification `code`.
    static bool isNotification(UINT message, LPARAM lParam, UINT code);

private:
    int templateId_;
    int titleId_;
};
