#include "install/InstallPage.h"

#include "foundation/Allocation.h"

void* InstallPage::operator new(std::size_t bytes) noexcept { return allocateBytes(bytes); }

void InstallPage::operator delete(void* block) noexcept { freeBytes(block); }

void InstallPage::fillPage(PageRecord& record) {
    record.dwFlags = PSP_USETITLE;
    record.pszTemplate = MAKEINTRESOURCEA(templateId_);
    record.pszIcon = nullptr;
    record.pszTitle = MAKEINTRESOURCEA(titleId_);
}

bool InstallPage::isNotification(UINT message, LPARAM lParam, UINT code) {
    return message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == code;
}
