#pragma once

#include "ui/toolkit/Window.h"

namespace vy {

// A slider bar with the value interface (range, value) and the slider
// event: EventSliderPos after every change the user makes; SetValue raises
// nothing. Skins: "bkgndSkin" (rail), "posSkin" (selected part from the
// minimum to the thumb), "thumbSkin"; without skins it draws plain shapes.
class SSliderBar : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SSliderBar, SWindow, "sliderbar")
public:
    enum Part { kPartNone = 0, kPartRail, kPartSelected, kPartThumb };

    explicit SSliderBar(QWidget* parent = nullptr);

    void SetRange(int minValue, int maxValue);
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    // Clamped to the range; repaints; raises no event.
    virtual void SetValue(int value);
    int GetValue() const { return m_value; }
    bool IsVertical() const { return m_vertical; }
    bool IsThumbInRail() const { return m_thumbInRail; }

    virtual QRect GetPartRect(Part part) const;
    // The part under a point: thumb first, then the selected part, the rail.
    Part HitTest(const QPoint& point) const;
    // The value at a point along the rail (the toolkit's drag rule).
    int ValueFromPoint(const QPoint& point) const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    QSize ContentSize() const override;
    // Thumb size along and across the slider.
    QSize ThumbSize() const;
    // Stores a value the user chose and raises the slider event when it changed.
    void ChangeByUser(int value, bool alwaysNotify = false);
    void NotifyPos();

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_vertical = false;
    bool m_thumbInRail = false;
    bool m_dragging = false;
    std::shared_ptr<ISkin> m_railSkin;
    std::shared_ptr<ISkin> m_posSkin;
    std::shared_ptr<ISkin> m_thumbSkin;
    QColor m_colorRail{0x50, 0x50, 0x50};
    QColor m_colorPos{0x64, 0xE7, 0xDD};
    QColor m_colorThumb{0xFF, 0xFF, 0xFF};
};

// A progress bar: "bkgndSkin" over the whole bar, "posSkin" over the part up
// to the value; value interface as the slider bar.
class SProgress : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SProgress, SWindow, "progress")
public:
    explicit SProgress(QWidget* parent = nullptr);

    void SetRange(int minValue, int maxValue);
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    virtual void SetValue(int value);
    int GetValue() const { return m_value; }
    bool IsVertical() const { return m_vertical; }
    std::shared_ptr<ISkin> BkgndSkin() const { return m_bkgndSkin; }
    std::shared_ptr<ISkin> PosSkin() const { return m_posSkin; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_vertical = false;
    bool m_showPercent = false;
    std::shared_ptr<ISkin> m_bkgndSkin;
    std::shared_ptr<ISkin> m_posSkin;
    QColor m_colorPos{0x64, 0xE7, 0xDD};
};

}  // namespace vy
