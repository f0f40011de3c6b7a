#include "ui/toolkit/Edit.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QPainter>

namespace vy {

CEditLine::CEditLine(SEdit* owner, QWidget* parent) : QLineEdit(parent), m_owner(owner)
{
    setFrame(false);
}

void CEditLine::keyPressEvent(QKeyEvent* event)
{
    QLineEdit::keyPressEvent(event);
    m_owner->OnEditKey(event);
}

void CEditLine::wheelEvent(QWheelEvent* event)
{
    m_owner->OnEditWheel(event);
    QLineEdit::wheelEvent(event);
}

void CEditLine::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    m_owner->OnEditDoubleClick();
}

void CEditLine::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_owner->OnEditFocus(true);
}

void CEditLine::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    m_owner->OnEditFocus(false);
}

SEdit::SEdit(QWidget* parent) : SWindow(parent), m_edit(new CEditLine(this, this))
{
    m_commandOnClick = false;
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edit);
    m_edit->setFont(font());
    m_edit->setMaxLength(32767);
    UpdatePalette();
}

void SEdit::UpdatePalette()
{
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, m_colorText);
    pal.setColor(QPalette::PlaceholderText, m_cueColor);
    m_edit->setPalette(pal);
    m_edit->setAutoFillBackground(false);
}

void SEdit::SetWindowText(const std::string& text)
{
    m_edit->setText(ToQString(text));
}

std::string SEdit::GetWindowText() const
{
    return FromQString(m_edit->text());
}

void SEdit::SetLimitText(int limit)
{
    m_edit->setMaxLength(limit <= 0 ? 32767 : limit);
}

int SEdit::GetLimitText() const
{
    return m_edit->maxLength() >= 32767 ? -1 : m_edit->maxLength();
}

void SEdit::SetSel(int start, int end)
{
    int length = static_cast<int>(m_edit->text().size());
    if (end < 0 || end > length)
        end = length;
    if (start < 0)
        start = 0;
    m_edit->setSelection(start, end - start);
}

void SEdit::FocusInput()
{
    m_edit->setFocus(Qt::OtherFocusReason);
}

bool SEdit::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "maxbuf") {
        SetLimitText(ParseInt(value, -1));
        return true;
    }
    if (name == "cuetext") {
        m_cueText = TrText(value);
        m_edit->setPlaceholderText(ToQString(m_cueText));
        return true;
    }
    if (name == "cuecolor") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        m_cueColor = *c;
        UpdatePalette();
        return true;
    }
    if (name == "readonly") {
        m_edit->setReadOnly(ParseBool(value));
        return true;
    }
    if (name == "password") {
        m_edit->setEchoMode(ParseBool(value) ? QLineEdit::Password : QLineEdit::Normal);
        return true;
    }
    if (name == "number") {
        m_edit->setValidator(ParseBool(value) ? new QIntValidator(m_edit) : nullptr);
        return true;
    }
    if (name == "wantreturn" || name == "autowordsel" || name == "transparent" || name == "autohscroll")
        return true;
    bool known = SWindow::OnAttribute(name, value, loading);
    if (name == "colortext")
        UpdatePalette();
    if (name == "font")
        m_edit->setFont(font());
    if (name == "align" || name == "valign")
        m_edit->setAlignment(Qt::Alignment(TextAlignFlags() & ~Qt::TextWordWrap));
    if (name == "text")
        m_text.clear();  // the editor holds the text
    return known;
}

void SEdit::resizeEvent(QResizeEvent* event)
{
    SWindow::resizeEvent(event);
    m_edit->setGeometry(ClientRect());
}

void SEdit::DrawContent(QPainter&)
{
    // The editor draws the text and the cue.
}

void SEdit::OnEditKey(QKeyEvent*) {}

void SEdit::OnEditWheel(QWheelEvent*) {}

void SEdit::OnEditDoubleClick() {}

void SEdit::OnEditFocus(bool in)
{
    update();
    if (in) {
        EventSetFocus event(this);
        FireEvent(event);
    } else {
        EventKillFocus event(this);
        FireEvent(event);
    }
}

}  // namespace vy
