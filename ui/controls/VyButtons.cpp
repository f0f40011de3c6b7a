#include "ui/controls/VyButtons.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Skin.h"
#include "ui/toolkit/UiApp.h"

#include <QKeyEvent>
#include <QPainter>

namespace vy {

bool CStateLooks::OnAttribute(SWindow& owner, const std::string& name, const std::string& value, const std::string& translated)
{
    auto flag = [&](bool& field) {
        field = value != "0";
        return true;
    };
    if (name == "multitip")
        return flag(m_multiTip);
    if (name == "multitext")
        return flag(m_multiText);
    if (name == "multicolor")
        return flag(m_multiColor);
    int index = -1;
    if (name == "tip1" || name == "text1" || name == "colortext1")
        index = 0;
    else if (name == "tip2" || name == "text2" || name == "colortext2")
        index = 1;
    if (index < 0)
        return false;
    if (name.rfind("tip", 0) == 0) {
        m_tips[index] = translated;
    } else if (name.rfind("text", 0) == 0) {
        m_texts[index] = translated;
    } else {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return true;  // refused: the colour stays unset
        m_colors[index] = *c;
    }
    // Applies at once when the control is in the matching state.
    if ((index == 1) == owner.IsChecked())
        Apply(owner, owner.IsChecked());
    return true;
}

void CStateLooks::Apply(SWindow& owner, bool checked) const
{
    int i = checked ? 1 : 0;
    if (m_multiTip)
        owner.SetToolTipText(m_tips[i]);
    if (m_multiText)
        owner.SetWindowText(m_texts[i]);
    if (m_multiColor && m_colors[i].isValid())
        owner.SetTextColor(m_colors[i]);
}

VyCheckButton::VyCheckButton(QWidget* parent) : SCheckBox(parent)
{
    SetAttribute("align", "center", true);
}

bool VyCheckButton::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "autocheck") {
        m_autoCheck = ParseInt(value) != 0;
        return true;
    }
    if (m_looks.OnAttribute(*this, name, value, TrText(value)))
        return true;
    return SCheckBox::OnAttribute(name, value, loading);
}

void VyCheckButton::OnStateChanged(bool oldChecked, bool newChecked)
{
    SCheckBox::OnStateChanged(oldChecked, newChecked);
    m_looks.Apply(*this, newChecked);
}

void VyCheckButton::OnClick()
{
    // Called only when the button was pushed and released over itself.
    if (m_autoCheck)
        SetCheck(!IsChecked());
    FireCommand();
}

void VyCheckButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        if (m_autoCheck)
            SetCheck(!IsChecked());
        FireCommand();
        return;
    }
    SWindow::keyPressEvent(event);
}

void VyCheckButton::DrawContent(QPainter& painter)
{
    if (!m_text.empty())
        DrawText(painter, ClientRect(), QString::fromUtf8(m_text.c_str()), TextAlignFlags());
}

QSize VyCheckButton::ContentSize() const
{
    if (m_skin && m_skin->Size().width() > 0 && m_skin->Size().height() > 0)
        return m_skin->Size();
    return SWindow::ContentSize();
}

VyRadioButton::VyRadioButton(QWidget* parent) : SRadioBox(parent)
{
    SetAttribute("align", "center", true);
}

bool VyRadioButton::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "autocheck") {
        m_autoCheck = ParseInt(value) != 0;
        return true;
    }
    if (name == "iconskin") {
        m_iconSkin = ResolveSkin(value);
        if (m_iconSkin)
            SWindow::OnAttribute("align", "left", loading);
        return m_iconSkin != nullptr || value.empty();
    }
    if (name == "icon-x" || name == "icon-y" || name == "text-x" || name == "text-y") {
        int v = ParseInt(value);
        if (name == "icon-x")
            m_icon.setX(v);
        else if (name == "icon-y")
            m_icon.setY(v);
        else if (name == "text-x")
            m_textOffset.setX(v);
        else
            m_textOffset.setY(v);
        return true;
    }
    if (m_looks.OnAttribute(*this, name, value, TrText(value)))
        return true;
    return SRadioBox::OnAttribute(name, value, loading);
}

void VyRadioButton::OnStateChanged(bool oldChecked, bool newChecked)
{
    SRadioBox::OnStateChanged(oldChecked, newChecked);
    m_looks.Apply(*this, newChecked);
}

void VyRadioButton::OnClick()
{
    if (m_autoCheck && !IsChecked())
        SetCheck(true);
    FireCommand();
}

void VyRadioButton::focusInEvent(QFocusEvent* event)
{
    SRadioBox::focusInEvent(event);
    if (m_autoCheck && !IsChecked())
        SetCheck(true);
    update();
}

void VyRadioButton::DrawContent(QPainter& painter)
{
    int textLeft = m_icon.x();
    if (m_iconSkin) {
        QSize size = m_iconSkin->Size();
        m_iconSkin->Draw(painter, QRect(m_icon, size), CheckSkinState(m_iconSkin->States(), IsChecked(), SkinState()));
        textLeft = m_icon.x() + size.width();
    }
    if (!m_text.empty()) {
        QRect r = ClientRect().adjusted(textLeft + m_textOffset.x(), m_textOffset.y(), 0, 0);
        if (textLeft == 0 && m_textOffset.isNull())
            r = ClientRect();
        DrawText(painter, r, QString::fromUtf8(m_text.c_str()), TextAlignFlags());
    }
}

QSize VyRadioButton::ContentSize() const
{
    if (m_skin && m_skin->Size().width() > 0 && m_skin->Size().height() > 0)
        return m_skin->Size();
    return SWindow::ContentSize();
}

bool VyComboBtn::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "animatetime")
        return true;
    return SButton::OnAttribute(name, value, loading);
}

}  // namespace vy
