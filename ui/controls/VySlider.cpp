#include "ui/controls/VySlider.h"

#include "ui/controls/SimpleToolTip.h"
#include "ui/controls/SliderMath.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/Skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace vy {

VySlider::VySlider(QWidget* parent) : SSliderBar(parent)
{
    m_commandOnClick = true;
    setMouseTracking(true);
}

VySlider::~VySlider()
{
    if (m_holdsTip) {
        if (SSimpleToolTip* tip = SSimpleToolTip::Instance())
            tip->HideTip();
        SSimpleToolTip::Release();
    }
}

bool VySlider::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "thumbinrail-x") {
        m_thumbInRailX = ParseInt(value);
        return true;
    }
    if (name == "selectposdeflate") {
        m_selectPosDeflate = ParseInt(value);
        return true;
    }
    if (name == "bhidethumbwhenvalueiszero") {
        m_hideThumbAtZero = ParseInt(value) != 0;
        return true;
    }
    if (name == "delta") {
        m_delta = ParseInt(value);
        return true;
    }
    if (name == "showpercent") {
        m_showPercent = ParseInt(value) != 0;
        return true;
    }
    if (name == "bdawthumb")
        return true;
    return SSliderBar::OnAttribute(name, value, loading);
}

QRect VySlider::GetPartRect(Part part) const
{
    QRect r = SSliderBar::GetPartRect(part);
    if (part == kPartNone)
        return r;
    QRect client = ClientRect();
    auto skinAcross = [&](const std::shared_ptr<ISkin>& skin) {
        if (!skin || skin->Size().isEmpty())
            return 0;
        return m_vertical ? skin->Size().width() : skin->Size().height();
    };
    int railAcross = skinAcross(m_railSkin);
    int thumbAcross = std::max(skinAcross(m_thumbSkin), railAcross);
    auto centreAcross = [&](QRect rect, int across) {
        if (across <= 0)
            return rect;
        if (m_vertical) {
            rect.setLeft(client.left() + (client.width() - across) / 2);
            rect.setWidth(across);
        } else {
            rect.setTop(client.top() + (client.height() - across) / 2);
            rect.setHeight(across);
        }
        return rect;
    };
    if (part == kPartThumb)
        return centreAcross(r, thumbAcross);
    r = centreAcross(r, railAcross);
    if (part == kPartSelected) {
        if (m_vertical) {
            r.adjust(m_selectPosDeflate, 0, -m_selectPosDeflate, m_thumbInRailX);
        } else if (m_selectPosDeflate > 0) {
            int across = railAcross > 0 ? railAcross : r.height();
            int top = client.top() + (client.height() - across) / 2;
            r.setTop(top + m_selectPosDeflate);
            r.setBottom(top + across - 1 - m_selectPosDeflate);
        }
    }
    return r;
}

void VySlider::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    auto state = [&](const std::shared_ptr<ISkin>& skin) {
        return slider::SkinStateIndex(skin->States(), !isEnabled(), m_dragging2, m_hoverPart == kPartThumb, hasFocus());
    };
    QRect rail = GetPartRect(kPartRail);
    // Without skins: plain shapes, greyed while disabled.
    QColor pos = isEnabled() ? m_colorPos : QColor(0x80, 0x80, 0x80);
    if (m_railSkin)
        m_railSkin->Draw(painter, rail, state(m_railSkin));
    else
        painter.fillRect(rail, m_colorRail);
    if (m_value != m_min) {
        QRect sel = GetPartRect(kPartSelected);
        if (m_posSkin)
            m_posSkin->Draw(painter, sel, state(m_posSkin));
        else if (!m_railSkin)
            painter.fillRect(sel, pos);
    }
    if (!m_hideThumbAtZero || m_value != 0) {
        QRect thumb = GetPartRect(kPartThumb);
        if (m_thumbSkin) {
            m_thumbSkin->Draw(painter, thumb, state(m_thumbSkin));
        } else if (!m_railSkin) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(pos, 1.5));
            painter.setBrush(isEnabled() ? m_colorThumb : QColor(0xb0, 0xb0, 0xb0));
            painter.drawEllipse(QRectF(thumb).adjusted(1, 1, -1, -1));
        }
    }
    if (m_focusSkin && hasFocus())
        m_focusSkin->Draw(painter, rect(), 0);
}

QString VySlider::TipText() const
{
    return QString::number(m_value + m_delta);
}

void VySlider::ShowValueTip()
{
    if (!m_showPercent)
        return;
    if (!m_holdsTip) {
        SSimpleToolTip::Acquire();
        m_holdsTip = true;
    }
    SSimpleToolTip* tip = SSimpleToolTip::Instance();
    if (!tip)
        return;
    QString text = TipText();
    QRect thumb = GetPartRect(kPartThumb);
    QWidget* host = window();
    QRect hostThumb(mapTo(host, thumb.topLeft()), thumb.size());
    QPoint point = slider::TipPoint(hostThumb, static_cast<int>(text.size()), m_vertical);
    tip->ShowText(text, host->mapToGlobal(point));
}

void VySlider::HideValueTip()
{
    if (m_holdsTip)
        if (SSimpleToolTip* tip = SSimpleToolTip::Instance())
            tip->HideTip();
}

void VySlider::mousePressEvent(QMouseEvent* event)
{
    QPointer<VySlider> alive(this);
    SWindow::mousePressEvent(event);  // the toolkit's press
    if (!alive || event->button() != Qt::LeftButton)
        return;
    QPoint p = event->position().toPoint();
    if (HitTest(p) == kPartThumb) {
        m_dragging2 = true;
        m_dragStart = p;
        m_dragAnchor = m_value;
        update();
        return;
    }
    SetValue(slider::JumpValue(m_min, m_max, GetPartRect(kPartRail), p, m_vertical));
    update();
    m_dragging2 = true;
    m_dragStart = p;
    m_dragAnchor = m_value;
    NotifyPos();
}

void VySlider::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    if (!m_dragging2) {
        HoverAt(p);
        return;
    }
    QRect rail = GetPartRect(kPartRail);
    int delta = m_vertical ? m_dragStart.y() - p.y() : p.x() - m_dragStart.x();
    int n = slider::DragValue(m_dragAnchor, delta, m_min, m_max, m_vertical ? rail.height() : rail.width());
    if (n == m_value)
        return;
    m_value = n;
    update();
    QPointer<VySlider> alive(this);
    NotifyPos();
    if (alive)
        ShowValueTip();
}

void VySlider::HoverAt(const QPoint& point)
{
    Part part = HitTest(point);
    if (part == m_hoverPart)
        return;
    Part old = m_hoverPart;
    m_hoverPart = part;
    if (old != kPartThumb && part != kPartThumb)
        return;
    if (part == kPartThumb)
        ShowValueTip();
    else
        HideValueTip();
    update();
}

void VySlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging2) {
        m_dragging2 = false;
        update();
        HideValueTip();
    }
    HoverAt(event->position().toPoint());
    SWindow::mouseReleaseEvent(event);  // the toolkit's release
}

void VySlider::leaveEvent(QEvent* event)
{
    if (!m_dragging2 && m_hoverPart == kPartThumb) {
        m_hoverPart = kPartNone;
        update();
    }
    HideValueTip();
    SSliderBar::leaveEvent(event);
}

void VySlider::ApplyUserValue(int value)
{
    SetValue(value);
    NotifyPos();
}

void VySlider::keyPressEvent(QKeyEvent* event)
{
    auto v = slider::KeyValue(event->key(), m_value, m_min, m_max);
    if (!v) {
        SWindow::keyPressEvent(event);
        return;
    }
    ApplyUserValue(*v);
}

void VySlider::wheelEvent(QWheelEvent* event)
{
    if (focusPolicy() & Qt::WheelFocus || focusPolicy() & Qt::StrongFocus)
        setFocus(Qt::MouseFocusReason);
    ApplyUserValue(m_value + (event->angleDelta().y() > 0 ? 1 : -1));
    event->accept();
}

// ---------------------------------------------------------------- VySlider3

VySlider3::VySlider3(QWidget* parent) : VySlider(parent) {}

bool VySlider3::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "selectpos") {
        m_selectPos = ParseInt(value);
        return true;
    }
    struct Inset {
        const char* name;
        int VySlider3::*field;
    };
    static const Inset kInsets[] = {{"thumbshadowtop", &VySlider3::m_shadowTop},
                                    {"thumbshadowbottom", &VySlider3::m_shadowBottom},
                                    {"thumbshadowleft", &VySlider3::m_shadowLeft},
                                    {"thumbshadowright", &VySlider3::m_shadowRight}};
    for (const Inset& i : kInsets) {
        if (name == i.name) {
            this->*i.field = std::max(0, ParseInt(value));
            return true;
        }
    }
    if (name == "bhavebkgndskin") {
        m_haveBkgndSkin = !(value == "0" || value == "false");
        return true;
    }
    return VySlider::OnAttribute(name, value, loading);
}

int VySlider3::PositionOf(int value, int railStart, int railLength) const
{
    if (m_max <= m_min)
        return railStart;
    long long offset = static_cast<long long>(std::clamp(value, m_min, m_max) - m_min) * railLength / (m_max - m_min);
    return railStart + static_cast<int>(offset);
}

QRect VySlider3::GetPartRect(Part part) const
{
    QRect client = ClientRect();
    QSize thumb = ThumbSize();  // along, across
    int startInset = m_vertical ? m_shadowTop : m_shadowLeft;
    int endInset = m_vertical ? m_shadowBottom : m_shadowRight;
    int clientLength = m_vertical ? client.height() : client.width();
    int clientStart = m_vertical ? client.top() : client.left();
    int railStart = clientStart + startInset;
    int railLength = clientLength - startInset - endInset;
    if (m_haveBkgndSkin && m_railSkin && !m_railSkin->Size().isEmpty())
        railLength = m_vertical ? m_railSkin->Size().height() : m_railSkin->Size().width();
    if (!m_thumbInRail) {
        int shorten = (thumb.width() - startInset - endInset) / 2;
        railStart += shorten;
        railLength -= 2 * shorten;
    }
    railLength = std::max(0, railLength);
    int across = m_vertical ? client.width() : client.height();
    int crossStart = m_vertical ? client.left() : client.top();
    int railAcross = 4;
    if (m_railSkin && !m_railSkin->Size().isEmpty())
        railAcross = m_vertical ? m_railSkin->Size().width() : m_railSkin->Size().height();
    railAcross = std::min(railAcross, across);
    int railCross = crossStart + (across - railAcross) / 2;
    // Vertical sliders grow upwards: positions are measured from the bottom.
    auto make = [&](int alongStart, int alongLength, int crossPos, int crossLength) {
        if (!m_vertical)
            return QRect(alongStart, crossPos, alongLength, crossLength);
        int mirrored = clientStart + clientLength - (alongStart - clientStart) - alongLength;
        return QRect(crossPos, mirrored, crossLength, alongLength);
    };
    int valuePos = PositionOf(m_value, railStart, railLength);
    switch (part) {
    case kPartRail:
        return make(railStart, railLength, railCross, railAcross);
    case kPartSelected: {
        int from = PositionOf(m_selectPos, railStart, railLength);
        int lo = std::min(from, valuePos);
        int hi = std::max(from, valuePos);
        return make(lo, hi - lo, railCross + m_selectPosDeflate, std::max(0, railAcross - 2 * m_selectPosDeflate));
    }
    case kPartThumb: {
        int thumbAcross = std::max(thumb.height(), railAcross);
        return make(valuePos - thumb.width() / 2, thumb.width(), crossStart + (across - thumbAcross) / 2, thumbAcross);
    }
    default:
        return {};
    }
}

QString VySlider3::TipText() const
{
    return QString::number(m_value);
}

void VySlider3::keyPressEvent(QKeyEvent* event)
{
    VySlider::keyPressEvent(event);
    m_keyboardTip = true;
    ShowValueTip();
}

void VySlider3::wheelEvent(QWheelEvent* event)
{
    VySlider::wheelEvent(event);
    m_keyboardTip = true;
    ShowValueTip();
}

void VySlider3::focusOutEvent(QFocusEvent* event)
{
    VySlider::focusOutEvent(event);
    if (m_keyboardTip) {
        QPointer<VySlider3> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && self->m_keyboardTip)
                self->setFocus(Qt::OtherFocusReason);
        });
    }
}

void VySlider3::leaveEvent(QEvent* event)
{
    VySlider::leaveEvent(event);
    if (m_holdsTip) {
        m_keyboardTip = false;
        HideValueTip();
        clearFocus();
    }
}

}  // namespace vy
