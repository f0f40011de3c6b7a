#pragma once

#include "ui/toolkit/HostDialog.h"

namespace vy {

// A message box built from the application's message-box template
// ("XML_MSGBOX"): the caption goes to "msgtitle", the text to "msgtext",
// the icon state to "msgicon"; the buttons with ids IDOK, IDCANCEL, IDYES and
// IDNO are shown as the type asks. A template without some of these controls
// still works; without a template a plain built-in layout is used.
class SMessageBoxImpl : public SHostDialog {
    Q_OBJECT
    VY_WIDGET_CLASS(SMessageBoxImpl, SHostDialog, "messagebox")
public:
    SMessageBoxImpl(std::string text, std::string caption, unsigned type, QWidget* owner = nullptr);
    std::string Text() const { return m_text; }
    std::string Caption() const { return m_caption; }
    unsigned Type() const { return m_type; }

protected:
    bool OnInitDialog() override;
    bool OnUiEvent(CUiEvent& event) override;
    void OnCancel() override;

private:
    std::string m_text;
    std::string m_caption;
    unsigned m_type;
};

// Runs a message box modally; returns IDOK, IDCANCEL, IDYES or IDNO.
int SMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned type = MB_OK);

}  // namespace vy
