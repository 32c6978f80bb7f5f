#pragma once
// A dialog built from a template of the module's resources, modal or
// modeless. A concrete dialog derives from it and supplies handleMessage.
#include <windows.h>

#include <cstdint>

#include "gui/VGuiDialogBase.h"

class VGuiDialog : public VGuiDialogBase {
public:
    void setTemplate(int templateId) { templateId_ = static_cast<std::uint16_t>(templateId); }
    int getTemplate() const { return templateId_; }

    // The value that ended the dialog (endDialogOk 1, endDialogCancel 0), or
    // the system's failure value. Raises VSystemException (ErrorGui, line
    // 2130) before any window exists when no template was set.
    INT_PTR runModal();
    // The new dialog's window; line 2146 without a template.
    HWND createModeless();

    void endDialogCancel();
    void endDialogOk();
    void show();
    void hide();
    bool isVisible() const;

private:
    std::uint16_t templateId_ = 0;
};
