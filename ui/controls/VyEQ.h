#pragma once

#include "ui/controls/EqMath.h"
#include "ui/toolkit/Window.h"

#include <array>
#include <vector>

namespace vy {

class SMoveThumb;
class VyEQ;

// Draws the equaliser grid and its labels in its text colour.
class VyEqGrid : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(VyEqGrid, SWindow, "vyeqgrid")
public:
    explicit VyEqGrid(QWidget* parent = nullptr);
    void Attach(VyEQ* eq) { m_eq = eq; }

protected:
    void OnPaint(QPainter& painter) override;

private:
    VyEQ* m_eq = nullptr;
};

// Draws the summed response, the last changed band's shaded curve and the
// second curve.
class VyEqCurve : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(VyEqCurve, SWindow, "vyeqcurve")
public:
    explicit VyEqCurve(QWidget* parent = nullptr);
    void Attach(VyEQ* eq) { m_eq = eq; }
    QColor LineColor() const { return m_colorLine; }
    QColor CurrLineColor() const { return m_colorCurrLine; }
    int LineWidth() const { return m_lineWidth; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnPaint(QPainter& painter) override;

private:
    VyEQ* m_eq = nullptr;
    int m_lineWidth = 2;
    QColor m_colorLine{0, 255, 0};
    QColor m_colorCurrLine{60, 60, 60, 50};
};

// The equaliser graph: axis settings, band data and handles. Dragging a band
// handle changes the band and raises EventEqValueChanged (band, mask 3,
// gain, frequency).
class VyEQ : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(VyEQ, SWindow, "vyeq")
public:
    explicit VyEQ(QWidget* parent = nullptr);

    bool AddBand(double gain, double freq, double q);
    bool SetBandParam(int index, double value, int kind);
    void SetBandGain(int index, double gain);
    void Refresh();
    void ShowBandwidthMarkers();
    // Special filter bands of curve 1 (slots 0, 1) and curve 2 (2, 3).
    void AssignSpecialBand(int slot, const eq::EqBand& band);

    const eq::EqLayout& Layout() const { return m_layout; }
    const eq::EqCurveData& Data() const { return m_data; }
    // Handles by role: regular band k, special -1..-4, markers -5/-6.
    SMoveThumb* Handle(int id) const;
    // Handles whose id has no role (hidden and ignored).
    const std::vector<SMoveThumb*>& IgnoredHandles() const { return m_ignored; }
    void RepositionHandles();

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnInitFinished(const pugi::xml_node& node) override;
    void resizeEvent(QResizeEvent* event) override;
    void LayoutChildren() override;

private:
    bool OnThumbMoving(CUiEvent& event);
    void RedrawCurve();

    eq::EqLayout m_layout;
    eq::EqCurveData m_data;
    std::array<SMoveThumb*, 64> m_bandHandles{};
    std::array<SMoveThumb*, 4> m_specialHandles{};
    std::array<SMoveThumb*, 2> m_markers{};
    std::vector<SMoveThumb*> m_ignored;
    VyEqGrid* m_grid = nullptr;
    VyEqCurve* m_curve = nullptr;
    bool m_markersOn = false;
};

}  // namespace vy
