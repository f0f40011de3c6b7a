#pragma once

#include "ui/toolkit/Window.h"

namespace vy {

// A draggable round handle ("moveThumb"). Its left/top edges are kept as
// fractions of its parent's rectangle ("xFloat", "yFloat"); while dragged it
// raises EventThumbMoving with the proposed and current centres and leaves
// moving to its owner.
class SMoveThumb : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SMoveThumb, SWindow, "moveThumb")
public:
    explicit SMoveThumb(QWidget* parent = nullptr);

    // Centres the handle on `centre` (parent coordinates) and stores the
    // position as fractions, so later layouts keep it.
    void MoveCentreTo(const QPoint& centre);
    QPoint Centre() const { return {x() + width() / 2, y() + height() / 2}; }
    double XFloat() const { return m_xFloat; }
    double YFloat() const { return m_yFloat; }
    bool IsDragging() const { return m_dragging; }
    QColor CenterColor() const { return m_centerColor; }
    // The rim of the gradient: each channel + 57 modulo 256, same alpha.
    static QColor RimColor(const QColor& centre);

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class VyEQ;
    void PlaceFromFloats();

    double m_xFloat = 0;
    double m_yFloat = 0;
    bool m_canXMove = true;
    bool m_canYMove = true;
    bool m_dragging = false;
    QPoint m_grabOffset;
    QColor m_centerColor{200, 200, 200, 0};
};

}  // namespace vy
