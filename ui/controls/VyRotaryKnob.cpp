#include "ui/controls/VyRotaryKnob.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Skin.h"
#include "ui/toolkit/UiApp.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>

namespace vy {

VyRotaryKnob::VyRotaryKnob(QWidget* parent) : SSliderBar(parent)
{
    m_commandOnClick = true;
    setFocusPolicy(Qt::StrongFocus);
}

bool VyRotaryKnob::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "includedangle") {
        auto v = ParseReal(value);
        if (!v || *v < 0 || *v >= 360)
            return false;
        m_alpha = *v;
        UpdateAngleAndDot();
        return true;
    }
    if (name == "dotskin") {
        m_dotSkin = ResolveSkin(value);
        return m_dotSkin != nullptr || value.empty();
    }
    if (name == "slashskin") {
        QImage image = CUiApp::Instance().LoadImage(value);
        if (image.isNull())
            return false;
        m_slash = image;
        return true;
    }
    if (name == "dotradius") {
        m_dotRadius = ParseInt(value, 20);
        UpdateAngleAndDot();
        return true;
    }
    if (name == "fgradius") {
        m_fgRadius = ParseInt(value);
        return true;
    }
    if (name == "fgmarin") {
        auto v = ParseIntList(value);
        if (v.size() != 4)
            return false;
        m_fgMargin = QMargins(v[0], v[1], v[2], v[3]);
        return true;
    }
    if (name == "fgpaintarc") {
        m_paintArc = ParseInt(value, 1) != 0;
        return true;
    }
    if (name == "pointersize" || name == "poniteroffset") {
        auto v = ParseIntList(value);
        if (v.size() != 2)
            return false;
        if (name == "pointersize")
            m_pointerSize = QSize(v[0], v[1]);
        else
            m_pointerOffset = QPoint(v[0], v[1]);
        return true;
    }
    if (name == "colorcircle") {
        auto c = value.empty() ? std::nullopt : CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        m_colorCircle = *c;
        return true;
    }
    if (name == "bchangebgskin") {
        m_changeBgSkin = !(value == "0" || value == "false");
        return true;
    }
    if (name == "changebgskinbyvalue1" || name == "changebgskinbyvalue2" || name == "changebgskinbyvalue3") {
        int v = ParseInt(value);
        (name.back() == '1' ? m_v1 : name.back() == '2' ? m_v2 : m_v3) = v;
        return true;
    }
    bool known = SSliderBar::OnAttribute(name, value, loading);
    if (name == "value" || name == "min" || name == "max")
        UpdateAngleAndDot();
    return known;
}

int VyRotaryKnob::BackgroundStateNow() const
{
    return m_changeBgSkin ? knob::BackgroundState(m_value, m_v1, m_v2, m_v3) : 0;
}

void VyRotaryKnob::UpdateAngleAndDot()
{
    m_kappa = knob::AngleOfValue(m_value, m_min, m_max, m_alpha);
    if (m_kappa <= 360 - m_alpha)
        m_dot = knob::DotPosition(m_kappa, m_alpha, m_cx, m_cy, m_dotRadius);
}

void VyRotaryKnob::resizeEvent(QResizeEvent* event)
{
    SSliderBar::resizeEvent(event);
    m_cx = width() / 2;
    m_cy = height() / 2;
    if (width() % 2 != 0) {
        ++m_cx;
        ++m_cy;
    }
    UpdateAngleAndDot();
}

std::optional<double> VyRotaryKnob::AngleAt(const QPoint& p)
{
    auto kappa = knob::AngleOfPoint(p.x() - m_cx, p.y() - m_cy, m_alpha);
    // The dot follows the pointer's direction (not straight down).
    if (kappa && !(p.x() == m_cx && p.y() > m_cy))
        m_dot = knob::DotPosition(*kappa, m_alpha, m_cx, m_cy, m_dotRadius);
    return kappa;
}

void VyRotaryKnob::mousePressEvent(QMouseEvent* event)
{
    QPointer<VyRotaryKnob> alive(this);
    SWindow::mousePressEvent(event);  // the toolkit's press
    if (!alive || event->button() != Qt::LeftButton)
        return;
    QPoint p = event->position().toPoint();
    double kv = knob::AngleOfValue(m_value, m_min, m_max, m_alpha);
    auto kp = AngleAt(p);
    if (kp)
        m_value = std::clamp(m_value + knob::StepForAngle(*kp - kv, m_min, m_max, m_alpha), m_min, m_max);
    m_anchor = m_value;
    m_dragStart = p;
    m_guard.Reset();
    update();
    NotifyPos();
    if (alive)
        m_dragging3 = true;
}

void VyRotaryKnob::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging3)
        return;
    auto ks = knob::AngleOfPoint(m_dragStart.x() - m_cx, m_dragStart.y() - m_cy, m_alpha);
    auto kn = AngleAt(event->position().toPoint());
    if (!ks || !kn)
        return;
    int n = std::clamp(m_anchor + knob::StepForAngle(*kn - *ks, m_min, m_max, m_alpha), m_min, m_max);
    if (auto stored = m_guard.Step(m_value, n, m_min, m_max)) {
        m_value = *stored;
        m_kappa = knob::AngleOfValue(m_value, m_min, m_max, m_alpha);
        QPointer<VyRotaryKnob> alive(this);
        NotifyPos();
        if (!alive)
            return;
    }
    update();
}

void VyRotaryKnob::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (m_dragging3) {
            update();
            m_guard.Reset();
        }
        m_dragging3 = false;
    }
    SWindow::mouseReleaseEvent(event);
}

void VyRotaryKnob::keyPressEvent(QKeyEvent* event)
{
    auto v = slider::KeyValue(event->key(), m_value, m_min, m_max);
    if (!v) {
        SWindow::keyPressEvent(event);
        return;
    }
    SetValue(*v);
    UpdateAngleAndDot();
    NotifyPos();
}

void VyRotaryKnob::wheelEvent(QWheelEvent* event)
{
    if (focusPolicy() & Qt::StrongFocus)
        setFocus(Qt::MouseFocusReason);
    SetValue(m_value + (event->angleDelta().y() > 0 ? 1 : -1));
    UpdateAngleAndDot();
    NotifyPos();
    event->accept();
}

void VyRotaryKnob::OnPaint(QPainter& painter)
{
    if (!m_dragging3)
        UpdateAngleAndDot();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    double travel = 360 - m_alpha;
    if (m_paintArc) {
        double drawn = m_kappa;
        if (m_value == m_max && (drawn > travel || drawn < 0))
            drawn = travel;
        else if (m_value == m_min && (drawn > travel || drawn < 0))
            drawn = 0;
        QRect arc(QPoint(m_cx - m_fgRadius + m_fgMargin.left(), m_cy - m_fgRadius + m_fgMargin.top()),
                  QPoint(m_cx + m_fgRadius + m_fgMargin.right(), m_cy + m_fgRadius + m_fgMargin.bottom()));
        // Screen angles grow clockwise; Qt's grow counter-clockwise.
        int start = static_cast<int>(-(90 + m_alpha / 2) * 16);
        int span = static_cast<int>(-drawn * 16);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colorCircle);
        painter.drawPie(arc, start, span);
        if (drawn > 0) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(m_colorCircle, 1));
            painter.drawPie(arc, start, span);
        }
    }
    if (m_skin)
        m_skin->Draw(painter, rect(), std::min(BackgroundStateNow(), m_skin->States() - 1));
    if (m_dotSkin) {
        QPoint dot = m_dot;
        if (m_kappa <= 0)
            dot = knob::DotPosition(0, m_alpha, m_cx, m_cy, m_dotRadius);
        else if (m_kappa >= travel)
            dot = knob::DotPosition(travel, m_alpha, m_cx, m_cy, m_dotRadius);
        QSize size = m_dotSkin->Size();
        m_dotSkin->Draw(painter, QRect(dot - QPoint(size.width() / 2, size.height() / 2), size), 0);
    }
    if (!m_slash.isNull()) {
        QSize size = (m_pointerSize.width() != 0 && m_pointerSize.height() != 0) ? m_pointerSize : m_slash.size();
        QRect r(QPoint(m_cx, m_cy) + m_pointerOffset, size);
        double angle = r.height() >= r.width() ? m_kappa + m_alpha / 2 : m_kappa + 90 + m_alpha / 2;
        painter.save();
        painter.translate(m_cx, m_cy);
        painter.rotate(angle);
        painter.translate(-m_cx, -m_cy);
        painter.drawImage(r, m_slash);
        painter.restore();
    }
    if (m_focusSkin && hasFocus())
        m_focusSkin->Draw(painter, rect(), 0);
}

}  // namespace vy
