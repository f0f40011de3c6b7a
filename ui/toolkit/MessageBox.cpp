#include "ui/toolkit/MessageBox.h"

#include "ui/toolkit/UiApp.h"

#include <pugixml.hpp>

namespace vy {
namespace {

// Used when the application installed no template.
constexpr const char* kBuiltInTemplate = R"(
<SOUI name="msgbox" title="message" width="320" resizable="0" toolwindow="1">
  <root colorBkgnd="#ffffff" layout="vbox" padding="16,12,16,12" interval="10">
    <text name="msgtitle" font="bold:1,size:14" colorText="#333333" height="24"/>
    <window layout="hbox" interval="10" width="full" height="wrap">
      <img name="msgicon" width="32" height="32" visible="0"/>
      <text name="msgtext" multiLines="1" width="full" colorText="#333333"/>
    </window>
    <window layout="hbox" interval="8" width="full" height="30" gravity="center">
      <window weight="1" height="1"/>
      <button id="1" name="btn_ok" text="确定" width="80" height="28"/>
      <button id="6" name="btn_yes" text="是" width="80" height="28"/>
      <button id="7" name="btn_no" text="否" width="80" height="28"/>
      <button id="2" name="btn_cancel" text="取消" width="80" height="28"/>
    </window>
  </root>
</SOUI>)";

}  // namespace

SMessageBoxImpl::SMessageBoxImpl(std::string text, std::string caption, unsigned type, QWidget* owner)
    : SHostDialog({}, owner), m_text(std::move(text)), m_caption(std::move(caption)), m_type(type)
{
    SetAutoDelete(false);
    pugi::xml_node templ = CUiApp::Instance().MessageBoxTemplate();
    pugi::xml_document builtIn;
    if (!templ) {
        builtIn.load_string(kBuiltInTemplate);
        templ = builtIn.document_element();
    }
    CreateFromXml(templ);
}

bool SMessageBoxImpl::OnInitDialog()
{
    setWindowTitle(QString::fromUtf8(m_caption.c_str()));
    if (SWindow* title = FindChildByName("msgtitle"))
        title->SetWindowText(m_caption);
    if (SWindow* text = FindChildByName("msgtext"))
        text->SetWindowText(m_text);
    if (SWindow* icon = FindChildByName("msgicon")) {
        unsigned kind = m_type & MB_ICONMASK;
        icon->SetVisible(kind != 0 && icon->Skin() != nullptr);
        // Icon skin states: 0 information, 1 question, 2 warning, 3 error.
        int state = kind == MB_ICONERROR ? 3 : kind == MB_ICONWARNING ? 2 : kind == MB_ICONQUESTION ? 1 : 0;
        icon->SetAttribute("iconIndex", std::to_string(state));
    }
    unsigned buttons = m_type & MB_TYPEMASK;
    auto show = [this](int id, bool visible) {
        // A caption's close button may carry IDCANCEL too: it stays.
        SWindow* b = FindChildByID(id);
        if (b && b->GetName() != "btn_close")
            b->SetVisible(visible);
    };
    bool yesNo = buttons == MB_YESNO || buttons == MB_YESNOCANCEL;
    show(IDOK, !yesNo);
    show(IDYES, yesNo);
    show(IDNO, yesNo);
    show(IDCANCEL, buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL);
    RequestRelayout();
    resize(sizeHint().expandedTo(size()));
    return true;
}

bool SMessageBoxImpl::OnUiEvent(CUiEvent& event)
{
    if (event.Id() == EventCmd::kId && (event.IdFrom() == IDYES || event.IdFrom() == IDNO)) {
        EndDialog(event.IdFrom());
        return true;
    }
    return SHostDialog::OnUiEvent(event);
}

void SMessageBoxImpl::OnCancel()
{
    // Closing a box that has no cancel button answers its only choice.
    unsigned buttons = m_type & MB_TYPEMASK;
    if (buttons == MB_OK)
        EndDialog(IDOK);
    else if (buttons == MB_YESNO)
        EndDialog(IDNO);
    else
        EndDialog(IDCANCEL);
}

int SMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned type)
{
    SMessageBoxImpl box(text, caption, type, owner);
    return box.DoModal(owner);
}

}  // namespace vy
