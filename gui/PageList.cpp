#include "gui/PageList.h"

#include "gui/VPropertyPage.h"

void PageList::push(VPropertyPage* page) {
    page->setNext(head_);
    head_ = page;
}

int PageList::count() const {
    int count = 0;
    for (VPropertyPage* page = head_; page != nullptr; page = page->getNext()) ++count;
    return count;
}

void PageList::deleteAll() {
    while (head_ != nullptr) {
        VPropertyPage* page = head_;
        head_ = page->getNext();
        delete page;
    }
}
