#include "ui/toolkit/Skin.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QPainter>
#include <QPainterPath>

namespace vy {

bool ISkin::SetAttribute(const std::string&, const std::string&)
{
    return false;
}

bool SSkinImgList::SetAttribute(const std::string& name, const std::string& value)
{
    if (name == "src") {
        QImage image = CUiApp::Instance().LoadImage(value);
        if (image.isNull())
            return false;
        m_image = std::move(image);
        return true;
    }
    if (name == "states") {
        SetStates(ParseInt(value, 1));
        return true;
    }
    if (name == "vertical") {
        m_vertical = ParseBool(value);
        return true;
    }
    if (name == "tile") {
        m_tile = ParseBool(value);
        return true;
    }
    return ISkin::SetAttribute(name, value);
}

QSize SSkinImgList::Size() const
{
    if (m_image.isNull())
        return {};
    return m_vertical ? QSize(m_image.width(), m_image.height() / m_states)
                      : QSize(m_image.width() / m_states, m_image.height());
}

QRect SSkinImgList::StateRect(int state) const
{
    if (state < 0)
        state = 0;
    if (state >= m_states)
        state = m_states - 1;
    QSize size = Size();
    return m_vertical ? QRect(QPoint(0, state * size.height()), size) : QRect(QPoint(state * size.width(), 0), size);
}

void SSkinImgList::Draw(QPainter& painter, const QRect& rect, int state, qreal alpha) const
{
    if (m_image.isNull() || rect.isEmpty())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * alpha);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRect src = StateRect(state);
    if (m_tile) {
        QImage part = m_image.copy(src);
        for (int y = rect.top(); y <= rect.bottom(); y += part.height())
            for (int x = rect.left(); x <= rect.right(); x += part.width())
                painter.drawImage(QPoint(x, y), part);
    } else {
        painter.drawImage(rect, m_image, src);
    }
    painter.restore();
}

bool SSkinImgFrame::SetAttribute(const std::string& name, const std::string& value)
{
    if (name == "margin") {
        m_margins = ParseMargins(value);
        return true;
    }
    if (name == "left" || name == "top" || name == "right" || name == "bottom") {
        int v = ParseInt(value);
        if (name == "left")
            m_margins.setLeft(v);
        else if (name == "top")
            m_margins.setTop(v);
        else if (name == "right")
            m_margins.setRight(v);
        else
            m_margins.setBottom(v);
        return true;
    }
    return SSkinImgList::SetAttribute(name, value);
}

void SSkinImgFrame::Draw(QPainter& painter, const QRect& rect, int state, qreal alpha) const
{
    if (m_image.isNull() || rect.isEmpty())
        return;
    QRect src = StateRect(state);
    QMargins m = m_margins;
    // A target smaller than the corners squeezes the corners, never inverts.
    if (m.left() + m.right() > rect.width() || m.top() + m.bottom() > rect.height()) {
        SSkinImgList::Draw(painter, rect, state, alpha);
        return;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * alpha);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int sx[4] = {src.left(), src.left() + m.left(), src.right() + 1 - m.right(), src.right() + 1};
    const int sy[4] = {src.top(), src.top() + m.top(), src.bottom() + 1 - m.bottom(), src.bottom() + 1};
    const int dx[4] = {rect.left(), rect.left() + m.left(), rect.right() + 1 - m.right(), rect.right() + 1};
    const int dy[4] = {rect.top(), rect.top() + m.top(), rect.bottom() + 1 - m.bottom(), rect.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
            QRect d(QPoint(dx[col], dy[row]), QPoint(dx[col + 1] - 1, dy[row + 1] - 1));
            if (s.isEmpty() || d.isEmpty())
                continue;
            painter.drawImage(d, m_image, s);
        }
    }
    painter.restore();
}

bool SSkinColorRect::SetAttribute(const std::string& name, const std::string& value)
{
    static const char* const kNames[4][2] = {{"normal", "colornormal"},
                                             {"hover", "colorhover"},
                                             {"pushdown", "colorpushdown"},
                                             {"disable", "colordisable"}};
    for (int i = 0; i < 4; ++i) {
        if (name == kNames[i][0] || name == kNames[i][1] || (i == 2 && (name == "colorpush" || name == "push"))) {
            auto color = CUiApp::Instance().ResolveColor(value);
            if (!color)
                return false;
            m_colors[i] = *color;
            return true;
        }
    }
    if (name == "colorborder" || name == "border") {
        auto color = CUiApp::Instance().ResolveColor(value);
        if (!color)
            return false;
        m_border = *color;
        return true;
    }
    if (name == "radius" || name == "cornersize") {
        m_radius = ParseInt(value);
        return true;
    }
    return ISkin::SetAttribute(name, value);
}

void SSkinColorRect::Draw(QPainter& painter, const QRect& rect, int state, qreal alpha) const
{
    if (state < 0 || state > 3)
        state = 0;
    QColor color = m_colors[state].isValid() ? m_colors[state] : m_colors[0];
    if (!color.isValid() && !m_border.isValid())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * alpha);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_radius > 0)
        path.addRoundedRect(r, m_radius, m_radius);
    else
        path.addRect(r);
    if (color.isValid())
        painter.fillPath(path, color);
    if (m_border.isValid()) {
        painter.setPen(QPen(m_border, 1));
        painter.drawPath(path);
    }
    painter.restore();
}

}  // namespace vy
