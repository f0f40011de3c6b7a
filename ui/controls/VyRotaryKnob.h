#pragma once

#include "ui/controls/SliderMath.h"
#include "ui/toolkit/SliderBar.h"

#include <QImage>

namespace vy {

// A rotary knob: a coloured arc, a background skin (optionally chosen by
// value), a dot on the travel circle and a rotating pointer image. The knob
// travels 360 - "includedAngle" degrees clockwise from the lower left; a
// click turns it to the clicked direction, a drag by the angle travelled.
class VyRotaryKnob : public SSliderBar {
    Q_OBJECT
    VY_WIDGET_CLASS(VyRotaryKnob, SSliderBar, "vyrotaryknob")
public:
    explicit VyRotaryKnob(QWidget* parent = nullptr);

    QPoint CentrePoint() const { return {m_cx, m_cy}; }
    QPoint DotPoint() const { return m_dot; }
    double KnobAngle() const { return m_kappa; }
    double IncludedAngle() const { return m_alpha; }
    QColor CircleColor() const { return m_colorCircle; }
    int BackgroundStateNow() const;
    bool IsDragging() const { return m_dragging3; }
    const knob::CWrapGuard& Guard() const { return m_guard; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateAngleAndDot();
    std::optional<double> AngleAt(const QPoint& p);

    double m_alpha = 30;
    std::shared_ptr<ISkin> m_dotSkin;
    QImage m_slash;
    int m_dotRadius = 20;
    int m_fgRadius = 0;
    QMargins m_fgMargin;
    bool m_paintArc = true;
    QSize m_pointerSize;
    QPoint m_pointerOffset;
    QColor m_colorCircle{0, 246, 255, 255};
    bool m_changeBgSkin = false;
    int m_v1 = 0;
    int m_v2 = 0;
    int m_v3 = 0;

    int m_cx = 0;
    int m_cy = 0;
    double m_kappa = 0;
    QPoint m_dot;
    bool m_dragging3 = false;
    int m_anchor = 0;
    QPoint m_dragStart;
    knob::CWrapGuard m_guard;
};

}  // namespace vy
