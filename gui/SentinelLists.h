#pragma once
// Walking the sentinel-terminated lists of the control operations. A null
// list is an empty one.
#include "gui/VGuiDialogBase.h"

inline bool endsList(const IconListEntry& entry) {
    return entry.controlId == END_OF_LIST || entry.iconId == END_OF_LIST;
}
inline bool endsList(const RadioListEntry& entry) {
    return entry.value == END_OF_LIST || entry.controlId == END_OF_LIST;
}
inline bool endsList(const TooltipListEntry& entry) { return entry.controlId == END_OF_LIST; }
inline bool endsList(const int& id) { return id == END_OF_LIST; }
inline bool endsList(const char* const& text) { return text == nullptr; }

template <typename Entry, typename Action>
void forEachEntry(const Entry* list, Action action) {
    for (; list != nullptr && !endsList(*list); ++list) action(*list);
}

// The first entry for which `test` holds, or null.
template <typename Entry, typename Test>
const Entry* findEntry(const Entry* list, Test test) {
    for (; list != nullptr && !endsList(*list); ++list)
        if (test(*list)) return list;
    return nullptr;
}
