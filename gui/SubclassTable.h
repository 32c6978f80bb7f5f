#pragma once
// The records of a dialog's subclassed controls: window, id and the window
// procedure to restore. Freed records (id -1) are reused before the table
// grows, and the last lookup is cached, since a control usually receives
// several messages in a row.
#include <windows.h>

#include <cstdint>

#include "foundation/VDynArray.h"

struct SubclassEntry {
    HWND control;
    std::int32_t controlId;  // FREE_ENTRY when the record is unused
    WNDPROC previousProcedure;
};

class SubclassTable {
public:
    static constexpr std::int32_t FREE_ENTRY = -1;
    static constexpr int NOT_FOUND = -1;

    // Fills the first free record, or appends one; returns its index.
    int add(HWND control, int controlId, WNDPROC previousProcedure);
    // Index of the record holding `control`, or NOT_FOUND.
    int find(HWND control);
    // Marks the record free.
    void release(int index);

    SubclassEntry& at(int index) { return entries_.at(index); }
    const SubclassEntry& at(int index) const { return entries_.at(index); }
    int count() const { return entries_.count(); }
    int lastFoundIndex() const { return lastIndex_; }
    void clear();

private:
    VDynArray<SubclassEntry> entries_;
    int lastIndex_ = NOT_FOUND;
};
