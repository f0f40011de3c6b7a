#pragma once

#include "ui/toolkit/SliderBar.h"

namespace vy {

// The application's slider: click-to-jump, dragging by the pointer's travel,
// keys and wheel, the shared value tooltip ("showPercent"), skins drawn by
// state. EventSliderPos after every change the user makes, and after a
// click-to-jump even when the value stayed.
class VySlider : public SSliderBar {
    Q_OBJECT
    VY_WIDGET_CLASS(VySlider, SSliderBar, "vyslider")
public:
    explicit VySlider(QWidget* parent = nullptr);
    ~VySlider() override;

    QRect GetPartRect(Part part) const override;
    Part HoverPart() const { return m_hoverPart; }
    // The tooltip's text for the current value ("%d" of value + delta).
    virtual QString TipText() const;
    bool HoldsTip() const { return m_holdsTip; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    void ShowValueTip();
    void HideValueTip();
    void HoverAt(const QPoint& point);
    // A key or wheel step through the value interface, then the event.
    void ApplyUserValue(int value);

    int m_selectPosDeflate = 0;
    int m_thumbInRailX = 0;
    bool m_hideThumbAtZero = false;
    int m_delta = 0;
    bool m_showPercent = false;
    bool m_dragging2 = false;
    QPoint m_dragStart;
    int m_dragAnchor = 0;
    Part m_hoverPart = kPartNone;
    bool m_holdsTip = false;
};

// A slider with thumb shadow insets and a highlighted span from a centre
// value ("selectPos"); key and wheel steps show the value tooltip.
class VySlider3 : public VySlider {
    Q_OBJECT
    VY_WIDGET_CLASS(VySlider3, VySlider, "vyslider3")
public:
    explicit VySlider3(QWidget* parent = nullptr);
    QRect GetPartRect(Part part) const override;
    QString TipText() const override;
    bool KeyboardTip() const { return m_keyboardTip; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int PositionOf(int value, int railStart, int railLength) const;
    int m_selectPos = 0;
    int m_shadowTop = 0;
    int m_shadowBottom = 0;
    int m_shadowLeft = 0;
    int m_shadowRight = 0;
    bool m_haveBkgndSkin = true;
    bool m_keyboardTip = false;
};

}  // namespace vy
