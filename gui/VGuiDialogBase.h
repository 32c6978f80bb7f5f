#pragma once
// The dialog object behind a dialog window: it reaches its child controls by
// id, subclasses controls and routes their messages back to itself, and
// hosts tab pages. VGuiDialog adds the template and the creation calls;
// VPropertyPage builds on it for the property sheet's pages.
//
// The per-control operations first look the control up with getItem, which
// raises VSystemException (ErrorGui, line 54) for an id the dialog lacks.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "foundation/VArray.h"
#include "gui/OwnedIcons.h"
#include "gui/PageList.h"
#include "gui/SubclassTable.h"
#include "gui/VWindowObject.h"

class VPropertyPage;
class VString;

inline constexpr char VGUIDIALOGBASE_FILE[] = "VGuiDialogBase";
// Fixed line numbers of the throw sites, as users have seen them reported.
inline constexpr int VGUIDIALOGBASE_LINE_NO_ITEM = 54;
inline constexpr int VGUIDIALOGBASE_LINE_NO_CONTROL_ID = 73;
inline constexpr int VGUIDIALOGBASE_LINE_NO_CAPTION_WINDOW = 441;
inline constexpr int VGUIDIALOGBASE_LINE_NO_ICON = 783;
inline constexpr int VGUIDIALOGBASE_LINE_PAGE_NOT_CREATED = 1990;
inline constexpr int VGUIDIALOGBASE_LINE_MODAL_NO_TEMPLATE = 2130;
inline constexpr int VGUIDIALOGBASE_LINE_MODELESS_NO_TEMPLATE = 2146;

// Lists handed to the list operations end with a sentinel, never a count:
// id and string-id lists with END_OF_LIST, text lists with a null pointer,
// pair lists when either member is END_OF_LIST.
inline constexpr int END_OF_LIST = -1;
struct IconListEntry {
    int controlId;
    int iconId;
};
struct RadioListEntry {
    int value;
    int controlId;
};
struct TooltipListEntry {
    int controlId;
    int stringId;
};

// One tab of a tab control: the page's window (null until first shown), its
// dialog template and the page object.
struct TabPageEntry {
    HWND window = nullptr;
    LPCSTR pageTemplate = nullptr;
    VPropertyPage* page = nullptr;
};

class VGuiDialogBase : public VWindowObject {
public:
    VGuiDialogBase() = default;
    // Destroys the tab page windows still open and deletes the page objects,
    // gives subclassed controls their own procedures back and detaches from
    // the dialog window, which it does not own.
    ~VGuiDialogBase() override;

    // A message to a subclassed control. Set `handled` to answer it with the
    // result; left false, the control's own procedure gets it.
    virtual LRESULT handleControlMessage(int controlId, bool& handled, HWND control, UINT message, WPARAM wParam,
                                         LPARAM lParam);

    // --- Controls by id -----------------------------------------------------
    HWND getItem(int controlId) const;
    int getControlId(HWND control) const;
    // The answer of a notification that travels in DWLP_MSGRESULT; returns the
    // previous value.
    LONG_PTR setMessageResult(LONG_PTR value);

    // --- Subclassing ----------------------------------------------------------
    // Routes the control's messages to handleControlMessage; a control already
    // subclassed stays as it is. Returns the record's index.
    int subclassItem(int controlId);
    // Restores the control's procedure; -1 when it was not subclassed, else
    // the index of the freed record.
    int unsubclassItem(int controlId);
    const SubclassTable& subclassRecords() const { return subclassTable_; }

    // --- Text and numbers -----------------------------------------------------
    BOOL setItemInt(int controlId, int value);
    BOOL setItemReal(int controlId, double value);
    BOOL setItemText(int controlId, const VString& text);
    // printf-style, at most 255 characters (longer output is cut), into the
    // control's text, or the dialog's caption for id 0.
    BOOL setItemFormat(int controlId, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
    // True when the whole text is a number (the empty text reads as 0);
    // otherwise `value` is 0 and the result false.
    bool getItemInt(int controlId, int& value) const;
    bool getItemReal(int controlId, double& value) const;
    // At most 255 characters.
    bool getItemText(int controlId, VString& text) const;

    // --- Buttons, check boxes, radio groups ---------------------------------
    bool isChecked(int controlId) const;  // an indeterminate box is not checked
    void setCheck(int controlId, bool checked);
    LRESULT getButtonState(int controlId) const;
    void setRadioGroup(const RadioListEntry* buttons, int value);
    int getRadioGroup(const RadioListEntry* buttons) const;  // -1 when none is checked
    bool isRadioGroupCommand(const RadioListEntry* buttons, WPARAM commandWParam) const;

    // --- Icons from the module's resources ------------------------------------
    // Small is 16 x 16, large 32 x 32, whatever sizes the icon holds. The
    // dialog object owns the icons it gives its controls.
    void setButtonIconSmall(int controlId, int iconId);
    void setButtonIconLarge(int controlId, int iconId);
    void setButtonIconsSmall(const IconListEntry* icons);
    void setButtonIconsLarge(const IconListEntry* icons);
    void setStaticIcon(int controlId, int iconId);
    // Draws once, centred; not repeated on repaint.
    void drawItemIcon(int controlId, int iconId);
    void setDialogIcon(int iconId);  // 0 removes the icon

    // --- Combo boxes ------------------------------------------------------------
    LRESULT comboAddString(int controlId, int stringId);
    void comboAddStrings(int controlId, const int* stringIds);
    LRESULT comboInsertString(int controlId, int index, int stringId);
    LRESULT comboAddText(int controlId, const VString& text);
    bool comboGetText(int controlId, int index, VString& text) const;
    bool comboGetSelectedText(int controlId, VString& text) const;
    LRESULT comboSetSelection(int controlId, int index);
    LRESULT comboGetSelection(int controlId) const;
    LRESULT comboDeleteString(int controlId, int index);
    LRESULT comboReset(int controlId);
    LRESULT comboSetItemData(int controlId, int index, LPARAM data);
    LRESULT comboGetItemData(int controlId, int index) const;

    // --- List boxes -----------------------------------------------------------
    void listAddStrings(int controlId, const int* stringIds);
    void listAddTexts(int controlId, const char* const* texts);
    LRESULT listAddText(int controlId, const VString& text);
    LRESULT listInsertText(int controlId, int index, const VString& text);
    // The length read; LB_ERR or 0 as the list answers them, with `text` empty.
    LRESULT listGetText(int controlId, int index, VString& text) const;
    LRESULT listDeleteString(int controlId, int index);
    LRESULT listReset(int controlId);
    LRESULT listSetSelection(int controlId, int index);
    LRESULT listGetSelection(int controlId) const;
    LRESULT listSetItemData(int controlId, int index, LPARAM data);
    LRESULT listGetItemData(int controlId, int index) const;
    LRESULT listCount(int controlId) const;
    void listRedrawItem(int controlId, int index);
    // The visible item under `point` (client coordinates), or -1.
    int listItemFromPoint(int controlId, POINT point) const;
    void suspendRedraw(int controlId);
    void resumeRedraw(int controlId);

    // --- List views -----------------------------------------------------------
    bool listViewInsertColumn(int controlId, int index, LVCOLUMNA& column);
    bool listViewInsertItem(int controlId, LVITEMA& item);
    bool listViewSetItem(int controlId, LVITEMA& item);
    bool listViewGetItem(int controlId, LVITEMA& item) const;
    bool listViewDeleteAll(int controlId);
    bool listViewDeleteItem(int controlId, int index);
    int listViewCount(int controlId) const;
    int listViewGetSelection(int controlId) const;  // -1 when none is selected
    // Selects `index` alone; returns the item count.
    int listViewSetSelection(int controlId, int index);

    // --- Trackbars and progress bars --------------------------------------------
    // A vertical trackbar reads top end as maximum: positions are mirrored.
    void trackbarSetRange(int controlId, int minimum, int maximum);
    int trackbarGetPos(int controlId) const;
    void trackbarSetPos(int controlId, int position);
    void trackbarSetTicFrequency(int controlId, int frequency);
    void progressSetRange(int controlId, int minimum, int maximum);
    void progressSetPos(int controlId, int position);

    // --- Scroll-bar controls ----------------------------------------------------
    void scrollSetRange(int controlId, int minimum, int maximum, int page);
    void scrollSetRange(HWND scrollBar, int minimum, int maximum, int page);
    int scrollGetPos(int controlId) const;
    int scrollGetPos(HWND scrollBar) const;
    void scrollSetPos(int controlId, int position);
    void scrollSetPos(HWND scrollBar, int position);
    // The standard answer to WM_HSCROLL / WM_VSCROLL from a scroll-bar control.
    void handleScroll(HWND scrollBar, WPARAM scrollWParam);

    // --- Visibility, state, painting --------------------------------------------
    void showItem(int controlId, bool visible);
    void showItems(const int* controlIds, bool visible);
    void enableItem(int controlId, bool enabled);
    void enableItems(const int* controlIds, bool enabled);
    void focusItem(int controlId);
    void redrawItem(int controlId);
    void redrawItemErase(int controlId, bool erase);

    // --- The dialog window's menu, by command id ------------------------------
    UINT getMenuState(UINT command) const;
    BOOL setMenuItemState(UINT command, UINT state);
    BOOL setMenuItemInfo(UINT command, MENUITEMINFOA& info);
    BOOL getMenuItemInfo(UINT command, MENUITEMINFOA& info) const;
    BOOL checkMenuRadio(UINT first, UINT last, UINT command);

    // --- Validation: one message per pass ---------------------------------------
    // Each validator does nothing once `failed` is set; on failure it sets it,
    // reports and focuses the field. `value` changes only on success.
    void validateInt(bool& failed, int controlId, int& value, int minimum, int maximum, int rangeMessageId);
    void validateReal(bool& failed, int controlId, double& value, double minimum, double maximum, int rangeMessageId);
    // When `failed`: an error box with `message`, then focus to the control
    // unless the id is -1.
    void reportValidation(bool failed, int controlId, const VString& message);

    // --- Tooltips ---------------------------------------------------------------
    // Texts come from the string table on demand (TTN_NEEDTEXTA → tooltipText).
    bool addTooltips(const TooltipListEntry* tools);
    void tooltipText(NMTTDISPINFOA& request, const TooltipListEntry* tools) const;

    // --- Spin buttons stepping their buddy field --------------------------------
    int initSpinButtons();
    void handleSpinInt(const NMUPDOWN& change, int minimum, int maximum, int step);
    void handleSpinReal(const NMUPDOWN& change, double minimum, double maximum, double step);

    // --- Tab pages --------------------------------------------------------------
    // The dialog takes ownership.
    void addPage(VPropertyPage* page);
    // One tab per page, in the order the pages were added; shows the first.
    void buildTabs(int tabControlId);
    // TCN_SELCHANGING / TCN_SELCHANGE of the tab control: asks the page being
    // left (`refuse` set when it keeps the focus), creates a page on first
    // show, shows it. True when handled.
    bool handleTabNotify(int controlId, int tabControlId, const NMHDR& header, bool& refuse);
    int getCurrentPage() const { return currentPage_; }
    const VArray<TabPageEntry>& tabPages() const { return pageTable_; }

private:
    static LRESULT CALLBACK controlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT routeControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    void restoreSubclass(int index);
    void destroyTabPages();
    void showTabPage(HWND tabControl, int index, int controlId);
    bool askPageToLeave(HWND tabControl, int index, int controlId);
    void setButtonIcon(int controlId, int iconId, int size);
    template <typename Number>
    void validateNumber(bool& failed, int controlId, Number& value, Number minimum, Number maximum, int rangeMessageId,
                        int notANumberMessage, bool (VGuiDialogBase::*readField)(int, Number&) const);

    PageList pages_;
    VArray<TabPageEntry> pageTable_;
    std::int32_t currentPage_ = 0;
    SubclassTable subclassTable_;
    OwnedIcons icons_;
};
