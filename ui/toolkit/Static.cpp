#include "ui/toolkit/Static.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Skin.h"

#include <QMouseEvent>
#include <QPainter>

namespace vy {

SStatic::SStatic(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

SCaption::SCaption(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

void SCaption::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grab = event->globalPosition().toPoint() - window()->pos();
    }
    SWindow::mousePressEvent(event);
}

void SCaption::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - m_grab);
    else
        m_dragging = false;
}

SImageWnd::SImageWnd(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

bool SImageWnd::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "iconindex") {
        m_iconIndex = ParseInt(value);
        return true;
    }
    if (name == "src") {
        m_skin = ResolveSkin(value);
        return m_skin != nullptr;
    }
    return SWindow::OnAttribute(name, value, loading);
}

void SImageWnd::DrawBackground(QPainter& painter)
{
    if (m_colorBkgnd.isValid())
        painter.fillRect(rect(), m_colorBkgnd);
    if (m_skin)
        m_skin->Draw(painter, rect(), m_iconIndex);
}

}  // namespace vy
