// Tooltips for controls, their texts asked for from the string table when
// shown.
#include "foundation/ModuleState.h"
#include "gui/SentinelLists.h"
#include "gui/VGuiDialogBase.h"

namespace {
// The record layout with lParam, as every common-controls version reads it.
constexpr UINT TOOL_INFO_SIZE = 44;
}  // namespace

bool VGuiDialogBase::addTooltips(const TooltipListEntry* tools) {
    // Owned by the dialog window, the tooltip window lives as long as it does.
    HWND tooltips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, getWindow(), nullptr, getModuleInstance(), nullptr);
    if (tooltips == nullptr) return false;
    forEachEntry(tools, [&](const TooltipListEntry& tool) {
        TTTOOLINFOA info{};
        info.cbSize = TOOL_INFO_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = getWindow();
        info.uId = reinterpret_cast<UINT_PTR>(getItem(tool.controlId));
        info.hinst = getModuleInstance();
        info.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    });
    return true;
}

void VGuiDialogBase::tooltipText(NMTTDISPINFOA& request, const TooltipListEntry* tools) const {
    int controlId = GetDlgCtrlID(reinterpret_cast<HWND>(request.hdr.idFrom));
    const TooltipListEntry* tool =
        findEntry(tools, [&](const TooltipListEntry& entry) { return entry.controlId == controlId; });
    if (tool == nullptr) return;
    request.lpszText = MAKEINTRESOURCEA(tool->stringId);
    request.hinst = getModuleInstance();
}
