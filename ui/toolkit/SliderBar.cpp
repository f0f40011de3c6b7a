#include "ui/toolkit/SliderBar.h"

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

SSliderBar::SSliderBar(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    setFocusPolicy(Qt::StrongFocus);
}

void SSliderBar::SetRange(int minValue, int maxValue)
{
    if (maxValue < minValue)
        std::swap(minValue, maxValue);
    m_min = minValue;
    m_max = maxValue;
    m_value = std::clamp(m_value, m_min, m_max);
    update();
}

void SSliderBar::SetValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
    update();
}

bool SSliderBar::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "min") {
        m_min = ParseInt(value);
        if (m_max < m_min)
            m_max = m_min;
        m_value = std::clamp(m_value, m_min, m_max);
        return true;
    }
    if (name == "max") {
        m_max = ParseInt(value);
        if (m_min > m_max)
            m_min = m_max;
        m_value = std::clamp(m_value, m_min, m_max);
        return true;
    }
    if (name == "value") {
        m_value = std::clamp(ParseInt(value), m_min, m_max);
        return true;
    }
    if (name == "vertical") {
        m_vertical = ParseBool(value);
        return true;
    }
    if (name == "thumbinrail") {
        m_thumbInRail = ParseBool(value);
        return true;
    }
    if (name == "bkgndskin" || name == "posskin" || name == "thumbskin") {
        auto skin = ResolveSkin(value);
        (name == "bkgndskin" ? m_railSkin : name == "posskin" ? m_posSkin : m_thumbSkin) = skin;
        return skin != nullptr || value.empty();
    }
    if (name == "colorrail" || name == "colorpos" || name == "colorthumb") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        (name == "colorrail" ? m_colorRail : name == "colorpos" ? m_colorPos : m_colorThumb) = *c;
        return true;
    }
    if (name == "showpercent")
        return true;
    return SWindow::OnAttribute(name, value, loading);
}

QSize SSliderBar::ThumbSize() const
{
    if (m_thumbSkin && !m_thumbSkin->Size().isEmpty()) {
        QSize s = m_thumbSkin->Size();
        return m_vertical ? QSize(s.height(), s.width()) : s;
    }
    int across = m_vertical ? width() : height();
    int side = std::max(8, std::min(across, 16));
    return {side, side};
}

QRect SSliderBar::GetPartRect(Part part) const
{
    QRect client = ClientRect();
    QSize thumb = ThumbSize();  // width along the slider, height across
    int length = m_vertical ? client.height() : client.width();
    int across = m_vertical ? client.width() : client.height();
    int start = m_vertical ? client.top() : client.left();
    int crossStart = m_vertical ? client.left() : client.top();
    int railLength = m_thumbInRail ? length : length - thumb.width();
    int railStart = m_thumbInRail ? start : start + thumb.width() / 2;
    int range = m_max - m_min;
    // Horizontal: the minimum at the left. Vertical: the minimum at the bottom.
    int travel = m_thumbInRail ? length - thumb.width() : railLength;
    int offset = range > 0 ? static_cast<int>(static_cast<long long>(m_value - m_min) * travel / range) : 0;
    int railThickness = 4;
    if (m_railSkin && !m_railSkin->Size().isEmpty())
        railThickness = m_vertical ? m_railSkin->Size().width() : m_railSkin->Size().height();
    railThickness = std::min(railThickness, across);
    int railCross = crossStart + (across - railThickness) / 2;
    auto make = [&](int alongStart, int alongLength, int crossPos, int crossLength) {
        if (!m_vertical)
            return QRect(alongStart, crossPos, alongLength, crossLength);
        // Vertical values grow upwards: mirror along the slider.
        int mirrored = start + length - (alongStart - start) - alongLength;
        return QRect(crossPos, mirrored, crossLength, alongLength);
    };
    int thumbCross = crossStart + (across - thumb.height()) / 2;
    int thumbStart = m_thumbInRail ? start + offset : railStart + offset - thumb.width() / 2;
    switch (part) {
    case kPartRail:
        return make(railStart, railLength, railCross, railThickness);
    case kPartSelected:
        return make(railStart, thumbStart + thumb.width() / 2 - railStart, railCross, railThickness);
    case kPartThumb:
        return make(thumbStart, thumb.width(), thumbCross, thumb.height());
    default:
        return {};
    }
}

SSliderBar::Part SSliderBar::HitTest(const QPoint& point) const
{
    if (GetPartRect(kPartThumb).contains(point))
        return kPartThumb;
    if (GetPartRect(kPartSelected).contains(point))
        return kPartSelected;
    if (GetPartRect(kPartRail).contains(point))
        return kPartRail;
    return kPartNone;
}

int SSliderBar::ValueFromPoint(const QPoint& point) const
{
    QRect rail = GetPartRect(kPartRail);
    int length = m_vertical ? rail.height() : rail.width();
    if (length <= 0)
        return m_min;
    int offset = m_vertical ? rail.bottom() - point.y() : point.x() - rail.left();
    long long v = m_min + (static_cast<long long>(offset) * (m_max - m_min) + length / 2) / length;
    return static_cast<int>(std::clamp<long long>(v, m_min, m_max));
}

void SSliderBar::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    int state = SkinState();
    QRect rail = GetPartRect(kPartRail);
    QRect sel = GetPartRect(kPartSelected);
    QRect thumb = GetPartRect(kPartThumb);
    auto stateOf = [&](const std::shared_ptr<ISkin>& skin) { return state < skin->States() ? state : 0; };
    if (m_railSkin)
        m_railSkin->Draw(painter, rail, stateOf(m_railSkin));
    else
        painter.fillRect(rail, m_colorRail);
    if (m_value != m_min) {
        if (m_posSkin)
            m_posSkin->Draw(painter, sel, stateOf(m_posSkin));
        else
            painter.fillRect(sel, m_colorPos);
    }
    if (m_thumbSkin) {
        m_thumbSkin->Draw(painter, thumb, stateOf(m_thumbSkin));
    } else {
        painter.setPen(QPen(m_colorPos, 1.5));
        painter.setBrush(m_colorThumb);
        painter.drawEllipse(QRectF(thumb).adjusted(1, 1, -1, -1));
    }
}

void SSliderBar::NotifyPos()
{
    EventSliderPos event(this, m_value);
    FireEvent(event);
}

void SSliderBar::ChangeByUser(int value, bool alwaysNotify)
{
    value = std::clamp(value, m_min, m_max);
    if (value == m_value && !alwaysNotify)
        return;
    m_value = value;
    update();
    NotifyPos();
}

void SSliderBar::mousePressEvent(QMouseEvent* event)
{
    QPointer<SSliderBar> alive(this);
    SWindow::mousePressEvent(event);
    if (!alive || event->button() != Qt::LeftButton)
        return;
    QPoint p = event->position().toPoint();
    if (HitTest(p) == kPartThumb) {
        m_dragging = true;
        update();
        return;
    }
    // A click on the rail moves one page towards the point.
    int page = std::max(1, (m_max - m_min) / 10);
    int target = ValueFromPoint(p);
    ChangeByUser(target > m_value ? std::min(target, m_value + page) : std::max(target, m_value - page));
}

void SSliderBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        ChangeByUser(ValueFromPoint(event->position().toPoint()));
}

void SSliderBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        update();
    }
    SWindow::mouseReleaseEvent(event);
}

void SSliderBar::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        ChangeByUser(m_value - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        ChangeByUser(m_value + 1);
        break;
    default:
        SWindow::keyPressEvent(event);
    }
}

void SSliderBar::wheelEvent(QWheelEvent* event)
{
    ChangeByUser(m_value + (event->angleDelta().y() > 0 ? 1 : -1));
    event->accept();
}

QSize SSliderBar::ContentSize() const
{
    return m_vertical ? QSize(16, 100) : QSize(100, 16);
}

SProgress::SProgress(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

void SProgress::SetRange(int minValue, int maxValue)
{
    if (maxValue < minValue)
        std::swap(minValue, maxValue);
    m_min = minValue;
    m_max = maxValue;
    m_value = std::clamp(m_value, m_min, m_max);
    update();
}

void SProgress::SetValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
    update();
}

bool SProgress::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "min" || name == "max") {
        int v = ParseInt(value);
        if (name == "min")
            m_min = v;
        else
            m_max = v;
        if (m_max < m_min)
            (name == "min" ? m_max : m_min) = v;
        m_value = std::clamp(m_value, m_min, m_max);
        return true;
    }
    if (name == "value") {
        m_value = std::clamp(ParseInt(value), m_min, m_max);
        return true;
    }
    if (name == "vertical") {
        m_vertical = ParseBool(value);
        return true;
    }
    if (name == "showpercent") {
        m_showPercent = ParseBool(value);
        return true;
    }
    if (name == "bkgndskin" || name == "posskin") {
        auto skin = ResolveSkin(value);
        (name == "bkgndskin" ? m_bkgndSkin : m_posSkin) = skin;
        return skin != nullptr || value.empty();
    }
    if (name == "colorpos") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        m_colorPos = *c;
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

void SProgress::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    QRect client = rect();
    if (m_bkgndSkin)
        m_bkgndSkin->Draw(painter, client, 0);
    if (m_value > m_min && m_max > m_min) {
        int length = m_vertical ? client.height() : client.width();
        int lit = static_cast<int>(static_cast<long long>(m_value - m_min) * length / (m_max - m_min));
        QRect part = m_vertical ? QRect(client.left(), client.bottom() + 1 - lit, client.width(), lit)
                                : QRect(client.left(), client.top(), lit, client.height());
        if (m_posSkin)
            m_posSkin->Draw(painter, part, 0);
        else if (!m_bkgndSkin)
            painter.fillRect(part, m_colorPos);
    }
    if (m_showPercent && m_max > m_min) {
        int percent = static_cast<int>(static_cast<long long>(m_value - m_min) * 100 / (m_max - m_min));
        DrawText(painter, client, QStringLiteral("%1%").arg(percent), Qt::AlignCenter);
    }
}

}  // namespace vy
