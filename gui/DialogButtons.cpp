// Check boxes, push buttons and radio groups.
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

bool VGuiDialogBase::isChecked(int controlId) const {
    return SendMessageA(getItem(controlId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void VGuiDialogBase::setCheck(int controlId, bool checked) {
    SendMessageA(getItem(controlId), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT VGuiDialogBase::getButtonState(int controlId) const {
    return SendMessageA(getItem(controlId), BM_GETSTATE, 0, 0);
}

void VGuiDialogBase::setRadioGroup(const RadioListEntry* buttons, int value) {
    forEachEntry(buttons, [&](const RadioListEntry& button) { setCheck(button.controlId, button.value == value); });
}

int VGuiDialogBase::getRadioGroup(const RadioListEntry* buttons) const {
    const RadioListEntry* checked =
        findEntry(buttons, [&](const RadioListEntry& button) { return isChecked(button.controlId); });
    return checked != nullptr ? checked->value : -1;
}

bool VGuiDialogBase::isRadioGroupCommand(const RadioListEntry* buttons, WPARAM commandWParam) const {
    if (HIWORD(commandWParam) != 0) return false;
    int commandId = LOWORD(commandWParam);
    return findEntry(buttons, [&](const RadioListEntry& button) { return button.controlId == commandId; }) != nullptr;
}
