#include "gui/SubclassTable.h"

int SubclassTable::add(HWND control, int controlId, WNDPROC previousProcedure) {
    int index = 0;
    while (index < entries_.count() && entries_.at(index).controlId != FREE_ENTRY) ++index;
    if (index == entries_.count()) index = entries_.addEmpty();
    entries_.at(index) = SubclassEntry{control, controlId, previousProcedure};
    return index;
}

int SubclassTable::find(HWND control) {
    if (control == nullptr) return NOT_FOUND;
    if (lastIndex_ >= 0 && lastIndex_ < entries_.count() && entries_.at(lastIndex_).control == control)
        return lastIndex_;
    for (int index = 0; index < entries_.count(); ++index) {
        if (entries_.at(index).control == control) {
            lastIndex_ = index;
            return index;
        }
    }
    return NOT_FOUND;
}

void SubclassTable::release(int index) { entries_.at(index) = SubclassEntry{nullptr, FREE_ENTRY, nullptr}; }

void SubclassTable::clear() {
    entries_.clear();
    lastIndex_ = NOT_FOUND;
}
