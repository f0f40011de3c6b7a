#include "ui/toolkit/Button.h"

#include "ui/toolkit/Skin.h"
#include "ui/toolkit/UiApp.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace vy {

SButton::SButton(QWidget* parent) : SWindow(parent)
{
    m_colorFace[0] = QColor(0x3a, 0x3f, 0x47);
    m_colorFace[1] = QColor(0x4a, 0x52, 0x5c);
    m_colorFace[2] = QColor(0x2b, 0x2f, 0x35);
    m_colorFace[3] = QColor(0x60, 0x60, 0x60);
    m_colorText = QColor(255, 255, 255);
    SetAttribute("align", "center", true);
}

bool SButton::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    static const char* const kFace[4] = {"colorface", "colorfacehover", "colorfacepush", "colorfacedisable"};
    for (int i = 0; i < 4; ++i) {
        if (name == kFace[i]) {
            auto c = CUiApp::Instance().ResolveColor(value);
            if (!c)
                return false;
            m_colorFace[i] = *c;
            return true;
        }
    }
    if (name == "animate" || name == "animatetime" || name == "accel")
        return true;
    return SWindow::OnAttribute(name, value, loading);
}

void SButton::DrawBackground(QPainter& painter)
{
    if (m_skin || m_colorBkgnd.isValid()) {
        SWindow::DrawBackground(painter);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.fillPath(path, m_colorFace[SkinState()]);
}

void SButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) {
        OnClick();
        return;
    }
    SWindow::keyPressEvent(event);
}

QSize SButton::ContentSize() const
{
    QSize size = SWindow::ContentSize();
    if (!m_skin)
        size += QSize(20, 10);
    return size;
}

int CheckSkinState(int states, bool checked, int baseState)
{
    if (states >= 8)
        return (checked ? 4 : 0) + baseState;
    if (states >= 4)
        return (checked ? 2 : 0) + ((baseState == 1 || baseState == 2) ? 1 : 0);
    if (states >= 2)
        return checked ? 1 : 0;
    return 0;
}

SCheckBox::SCheckBox(QWidget* parent) : SWindow(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void SCheckBox::OnClick()
{
    SetCheck(!IsChecked());
    FireCommand();
}

int SCheckBox::SkinState() const
{
    return SWindow::SkinState();
}

void SCheckBox::DrawBackground(QPainter& painter)
{
    if (m_colorBkgnd.isValid() && m_colorBkgnd.alpha() > 0)
        painter.fillRect(rect(), m_colorBkgnd);
    if (m_skin)
        m_skin->Draw(painter, rect(), CheckSkinState(m_skin->States(), IsChecked(), SkinState()));
}

void SCheckBox::DrawDefaultBox(QPainter& painter, bool round)
{
    int side = qMin(14, height());
    QRectF box(1.5, (height() - side) / 2.0 + 0.5, side - 1, side - 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(isEnabled() ? QColor(0x64, 0xE7, 0xDD) : QColor(160, 160, 160), 1.2));
    painter.setBrush(Qt::NoBrush);
    if (round)
        painter.drawEllipse(box);
    else
        painter.drawRoundedRect(box, 2, 2);
    if (IsChecked()) {
        painter.setBrush(QColor(0x64, 0xE7, 0xDD));
        painter.setPen(Qt::NoPen);
        if (round)
            painter.drawEllipse(box.adjusted(3, 3, -3, -3));
        else
            painter.drawRoundedRect(box.adjusted(3, 3, -3, -3), 1, 1);
    }
    painter.restore();
}

void SCheckBox::DrawContent(QPainter& painter)
{
    int textLeft = 0;
    if (!m_skin) {
        DrawDefaultBox(painter, false);
        textLeft = qMin(14, height()) + 6;
    }
    if (!m_text.empty())
        DrawText(painter, ClientRect().adjusted(textLeft, 0, 0, 0), QString::fromUtf8(m_text.c_str()), TextAlignFlags());
}

void SCheckBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        OnClick();
        return;
    }
    SWindow::keyPressEvent(event);
}

QSize SCheckBox::ContentSize() const
{
    QSize size = SWindow::ContentSize();
    if (!m_skin)
        size = QSize(size.width() + 20, qMax(size.height(), 16));
    return size;
}

SRadioBox::SRadioBox(QWidget* parent) : SCheckBox(parent) {}

void SRadioBox::CheckInGroup()
{
    SetCheck(true);
}

void SRadioBox::OnStateChanged(bool oldChecked, bool newChecked)
{
    SCheckBox::OnStateChanged(oldChecked, newChecked);
    if (!newChecked)
        return;
    SWindow* parent = ParentWindow();
    if (!parent)
        return;
    std::string group = GetAttribute("group");
    for (SWindow* sibling : parent->ChildWindows()) {
        if (sibling == this || !sibling->IsClass("radio"))
            continue;
        if (sibling->GetAttribute("group") != group)
            continue;
        sibling->SetCheck(false);
    }
}

void SRadioBox::OnClick()
{
    if (!IsChecked())
        SetCheck(true);
    FireCommand();
}

void SRadioBox::DrawContent(QPainter& painter)
{
    int textLeft = 0;
    if (!m_skin) {
        DrawDefaultBox(painter, true);
        textLeft = qMin(14, height()) + 6;
    }
    if (!m_text.empty())
        DrawText(painter, ClientRect().adjusted(textLeft, 0, 0, 0), QString::fromUtf8(m_text.c_str()), TextAlignFlags());
}

}  // namespace vy
