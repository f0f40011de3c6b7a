#pragma once

#include "ui/toolkit/SliderBar.h"

#include <QPointer>

#include <vector>

namespace vy {

// A level bar drawn from "bkgndSkin" and "posSkin"; the lit part shrinks by
// "posDeflate-x" / "posDeflate-y".
class VyProgress : public SProgress {
    Q_OBJECT
    VY_WIDGET_CLASS(VyProgress, SProgress, "vyprogress")
public:
    explicit VyProgress(QWidget* parent = nullptr);
    // The lit part for the current value (empty at or below min).
    QRect LitRect(bool deflate = true) const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    void DrawTwoSkins(QPainter& painter, bool deflate);

    int m_deflateX = 0;
    int m_deflateY = 0;
};

class VyVumeter : public VyProgress {
    Q_OBJECT
    VY_WIDGET_CLASS(VyVumeter, VyProgress, "vyvumeter")
public:
    explicit VyVumeter(QWidget* parent = nullptr) : VyProgress(parent) {}
};

// A level bar of three layered skins whose shown level falls back slowly
// after a peak ("DeclineSpeed" percent of max per repaint).
class VyProgressEX : public SProgress {
    Q_OBJECT
    VY_WIDGET_CLASS(VyProgressEX, SProgress, "vyprogressex")
public:
    explicit VyProgressEX(QWidget* parent = nullptr);
    int ShownValue() const { return m_shown; }
    // The part the "SkinPosMid" cover spans for the current value.
    QRect CoverRect() const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
    // Lowers the value towards the last shown one; returns it.
    void Decline(bool fallAtZero);
    void DrawLayers(QPainter& painter);

    std::shared_ptr<ISkin> m_bottom;
    std::shared_ptr<ISkin> m_mid;
    std::shared_ptr<ISkin> m_top;
    int m_declineSpeed = 4;
    int m_shown = 0;
};

// As VyProgressEX, letting a value of 0 fall too, and falling back to the
// two-skin drawing when the three layers are not all set.
class VyProgressEX1 : public VyProgressEX {
    Q_OBJECT
    VY_WIDGET_CLASS(VyProgressEX1, VyProgressEX, "vyprogressex1")
public:
    explicit VyProgressEX1(QWidget* parent = nullptr) : VyProgressEX(parent) {}

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;
};

// Collects its vyvumeter children; sets them to 0 when it goes.
class VyVuGroup : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(VyVuGroup, SWindow, "vyvugroup")
public:
    explicit VyVuGroup(QWidget* parent = nullptr);
    ~VyVuGroup() override;
    const std::vector<QPointer<VyVumeter>>& Meters() const { return m_meters; }

protected:
    void OnInitFinished(const pugi::xml_node& node) override;

private:
    std::vector<QPointer<VyVumeter>> m_meters;
    std::vector<int> m_levels;
};

}  // namespace vy
