#include "ui/controls/Edit2.h"

#include "ui/controls/ControlEvents.h"
#include "ui/toolkit/Skin.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

namespace vy {

void SEdit2::RaiseStep(int step)
{
    EventEditValueChanging event(this, step);
    FireEvent(event);
}

void SEdit2::OnEditKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        RaiseStep(0);  // single-line: Enter is never text
        break;
    case Qt::Key_Up:
        RaiseStep(1);
        break;
    case Qt::Key_Down:
        RaiseStep(-1);
        break;
    default:
        break;
    }
}

void SEdit2::OnEditWheel(QWheelEvent* event)
{
    RaiseStep(event->angleDelta().y() > 0 ? 1 : -1);
}

void SEdit2::OnEditDoubleClick()
{
    SetSel(0, -1);
}

void SEdit2::OnPaint(QPainter& painter)
{
    if (m_focusSkin && m_edit->hasFocus())
        m_focusSkin->Draw(painter, rect(), 0);
    DrawBackground(painter);
}

}  // namespace vy
