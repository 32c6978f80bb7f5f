// Scroll-bar controls (SB_CTL), and their standard answer to scroll codes.
#include "gui/VGuiDialogBase.h"

void VGuiDialogBase::scrollSetRange(HWND scrollBar, int minimum, int maximum, int page) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | (page != 0 ? SIF_PAGE : 0);
    info.nMin = minimum;
    info.nMax = maximum;
    info.nPage = static_cast<UINT>(page);
    SetScrollInfo(scrollBar, SB_CTL, &info, TRUE);
}

void VGuiDialogBase::scrollSetRange(int controlId, int minimum, int maximum, int page) {
    scrollSetRange(getItem(controlId), minimum, maximum, page);
}

int VGuiDialogBase::scrollGetPos(HWND scrollBar) const { return GetScrollPos(scrollBar, SB_CTL); }

int VGuiDialogBase::scrollGetPos(int controlId) const { return scrollGetPos(getItem(controlId)); }

void VGuiDialogBase::scrollSetPos(HWND scrollBar, int position) { SetScrollPos(scrollBar, SB_CTL, position, TRUE); }

void VGuiDialogBase::scrollSetPos(int controlId, int position) { scrollSetPos(getItem(controlId), position); }

void VGuiDialogBase::handleScroll(HWND scrollBar, WPARAM scrollWParam) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(scrollBar, SB_CTL, &info);
    int page = static_cast<int>(info.nPage);
    int position = 0;
    switch (LOWORD(scrollWParam)) {
        case SB_LINEUP: position = info.nPos - 1; break;
        case SB_LINEDOWN: position = info.nPos + 1; break;
        case SB_PAGEUP: position = info.nPos - page; break;
        case SB_PAGEDOWN: position = info.nPos + page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: position = HIWORD(scrollWParam); break;
        case SB_TOP: position = info.nMin; break;
        case SB_BOTTOM: position = info.nMax; break;
        default: return;
    }
    // The system keeps the position within the range.
    scrollSetPos(scrollBar, position);
}
