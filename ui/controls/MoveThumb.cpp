#include "ui/controls/MoveThumb.h"

#include "ui/controls/ControlEvents.h"
#include "ui/controls/EqMath.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>

namespace vy {

SMoveThumb::SMoveThumb(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

QColor SMoveThumb::RimColor(const QColor& centre)
{
    return QColor(eq::RimChannel(centre.red()), eq::RimChannel(centre.green()), eq::RimChannel(centre.blue()), centre.alpha());
}

bool SMoveThumb::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "xfloat" || name == "yfloat") {
        (name == "xfloat" ? m_xFloat : m_yFloat) = ParseReal(value).value_or(0);
        if (!loading)
            PlaceFromFloats();
        return true;
    }
    if (name == "canxmove" || name == "canymove") {
        (name == "canxmove" ? m_canXMove : m_canYMove) = ParseInt(value, 1) != 0;
        return true;
    }
    if (name == "canoutsize")
        return true;
    if (name == "centercolor") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        m_centerColor = *c;
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

void SMoveThumb::PlaceFromFloats()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    QSize size = sizeHint();
    move(static_cast<int>(m_xFloat * parent->width()), static_cast<int>(m_yFloat * parent->height()));
    resize(size);
}

void SMoveThumb::MoveCentreTo(const QPoint& centre)
{
    QWidget* parent = parentWidget();
    QSize size = sizeHint();
    QPoint topLeft(centre.x() - size.width() / 2, centre.y() - size.height() / 2);
    setGeometry(QRect(topLeft, size));
    if (parent && parent->width() > 0 && parent->height() > 0) {
        m_xFloat = static_cast<double>(topLeft.x()) / parent->width();
        m_yFloat = static_cast<double>(topLeft.y()) / parent->height();
    }
}

void SMoveThumb::OnPaint(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QRadialGradient gradient(r.center(), r.width() / 2);
    gradient.setColorAt(0, m_centerColor);
    gradient.setColorAt(1, RimColor(m_centerColor));
    painter.setBrush(gradient);
    painter.setPen(QPen(m_centerColor, 1));
    painter.drawEllipse(r);
}

void SMoveThumb::mousePressEvent(QMouseEvent* event)
{
    SWindow::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    QPoint pointer = mapToParent(event->position().toPoint());
    m_grabOffset = pointer - Centre();
    setCursor(Qt::SizeAllCursor);
}

void SMoveThumb::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    QPoint current = Centre();
    QPoint proposed = mapToParent(event->position().toPoint()) - m_grabOffset;
    if (!m_canXMove)
        proposed.setX(current.x());
    if (!m_canYMove)
        proposed.setY(current.y());
    QWidget* parent = parentWidget();
    auto toHost = [&](const QPoint& p) {
        SWindow* owner = qobject_cast<SWindow*>(parent);
        if (!owner)
            return p;
        return owner->mapTo(owner->window(), p);
    };
    EventThumbMoving moving(this, GetID(), toHost(proposed), toHost(current));
    FireEvent(moving);
}

void SMoveThumb::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        unsetCursor();
    }
    SWindow::mouseReleaseEvent(event);
}

}  // namespace vy
