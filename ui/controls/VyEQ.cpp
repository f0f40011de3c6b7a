#include "ui/controls/VyEQ.h"

#include "ui/controls/ControlEvents.h"
#include "ui/controls/MoveThumb.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vy {

VyEqGrid::VyEqGrid(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VyEqGrid::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    if (!m_eq)
        return;
    eq::Grid grid = eq::ComputeGrid(m_eq->Layout(), rect());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_colorText, 1));
    painter.setFont(font());
    for (const eq::GridLine& line : grid.horizontal) {
        painter.drawLine(QPointF(grid.left, line.pos + 0.5), QPointF(grid.right, line.pos + 0.5));
        if (!line.label.empty())
            painter.drawText(line.labelRect, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(line.label));
    }
    for (const eq::GridLine& line : grid.vertical) {
        painter.drawLine(QPointF(line.pos + 0.5, grid.top), QPointF(line.pos + 0.5, grid.bottom));
        if (!line.label.empty())
            painter.drawText(line.labelRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(line.label));
    }
}

VyEqCurve::VyEqCurve(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool VyEqCurve::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "linewidth") {
        m_lineWidth = std::max(0, ParseInt(value, 2));
        return true;
    }
    if (name == "colorline" || name == "colorcurrline") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        (name == "colorline" ? m_colorLine : m_colorCurrLine) = *c;
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

void VyEqCurve::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    if (!m_eq)
        return;
    const eq::EqLayout& l = m_eq->Layout();
    const eq::EqCurveData& bands = m_eq->Data();
    painter.setRenderHint(QPainter::Antialiasing);
    QRect cr = rect();
    double y0 = std::trunc(l.dbMax * l.pixelsPerDb) + l.tdist + cr.top();
    double plotBottom = cr.top() + l.tdist + l.plotHeight;
    auto pointX = [&](int i) { return cr.left() + l.ldist + i * l.pixelsPerPoint; };
    auto curvePath = [&](const std::vector<double>& values) {
        QPainterPath path;
        for (int i = 0; i < eq::kPoints; ++i) {
            QPointF p(pointX(i), y0 - values[static_cast<size_t>(i)] * l.pixelsPerDb);
            if (i == 0)
                path.moveTo(p);
            else
                path.lineTo(p);
        }
        return path;
    };
    int last = bands.LastChanged();
    if (last >= 0 && last < bands.BandCount()) {
        const std::vector<double>& response = bands.Band(last).response;
        QPolygonF polygon;
        polygon << QPointF(pointX(0), y0);
        QPolygonF line;
        for (int i = 0; i < eq::kPoints; ++i) {
            double y = std::min(y0 - response[static_cast<size_t>(i)] * l.pixelsPerDb, plotBottom);
            polygon << QPointF(pointX(i), y);
            line << QPointF(pointX(i), y);
        }
        polygon << QPointF(pointX(eq::kPoints - 1), y0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colorCurrLine);
        painter.drawPolygon(polygon);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(m_colorCurrLine, m_lineWidth));
        painter.drawPolyline(line);
    }
    QColor opaque = m_colorLine;
    opaque.setAlpha(255);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(opaque, 2));
    painter.drawPath(curvePath(bands.Total()));
    if (bands.HasSecondCurve()) {
        painter.setPen(QPen(QColor(197, 197, 18, 200), 2));
        painter.drawPath(curvePath(bands.Second()));
    }
}

VyEQ::VyEQ(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

bool VyEQ::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    struct IntAttr {
        const char* name;
        int eq::EqLayout::*field;
    };
    static const IntAttr kInts[] = {{"ldist", &eq::EqLayout::ldist},       {"tdist", &eq::EqLayout::tdist},
                                    {"rdist", &eq::EqLayout::rdist},       {"bdist", &eq::EqLayout::bdist},
                                    {"dbmax", &eq::EqLayout::dbMax},       {"dbmin", &eq::EqLayout::dbMin},
                                    {"nkedu", &eq::EqLayout::nKedu},       {"dbkeduval", &eq::EqLayout::dbKeduVal},
                                    {"zeroxfreq", &eq::EqLayout::zeroXFreq}};
    for (const IntAttr& a : kInts) {
        if (name == a.name) {
            auto v = ParseInteger(value);
            if (!v)
                return false;
            m_layout.*a.field = static_cast<int>(*v);
            return true;
        }
    }
    struct RealAttr {
        const char* name;
        double eq::EqLayout::*field;
    };
    static const RealAttr kReals[] = {{"minfreq", &eq::EqLayout::minFreq},
                                      {"maxfreq", &eq::EqLayout::maxFreq},
                                      {"hpfofffreq", &eq::EqLayout::hpfOffFreq},
                                      {"lpfofffreq", &eq::EqLayout::lpfOffFreq},
                                      {"lpfofffreqmax", &eq::EqLayout::lpfOffFreqMax}};
    for (const RealAttr& a : kReals) {
        if (name == a.name) {
            auto v = ParseReal(value);
            if (!v)
                return false;
            m_layout.*a.field = *v;
            return true;
        }
    }
    return SWindow::OnAttribute(name, value, loading);
}

void VyEQ::OnInitFinished(const pugi::xml_node& node)
{
    SWindow::OnInitFinished(node);
    std::vector<SMoveThumb*> thumbs;
    for (SWindow* child : ChildWindows()) {
        if (auto* thumb = qobject_cast<SMoveThumb*>(child))
            thumbs.push_back(thumb);
        else if (auto* grid = qobject_cast<VyEqGrid*>(child))
            m_grid = grid;
        else if (auto* curve = qobject_cast<VyEqCurve*>(child))
            m_curve = curve;
    }
    std::stable_sort(thumbs.begin(), thumbs.end(), [](SMoveThumb* a, SMoveThumb* b) { return a->GetID() < b->GetID(); });
    for (SMoveThumb* thumb : thumbs) {
        int id = thumb->GetID();
        thumb->hide();
        if (id >= 0 && id < 64)
            m_bandHandles[static_cast<size_t>(id)] = thumb;
        else if (id <= -1 && id >= -4)
            m_specialHandles[static_cast<size_t>(-id - 1)] = thumb;
        else if (id == -5 || id == -6)
            m_markers[static_cast<size_t>(-id - 5)] = thumb;
        else {
            m_ignored.push_back(thumb);
            continue;
        }
        thumb->SubscribeEvent(EventThumbMoving::kId, [this](CUiEvent& e) { return OnThumbMoving(e); });
    }
    if (m_grid)
        m_grid->Attach(this);
    if (m_curve)
        m_curve->Attach(this);
    m_layout.ClampZeroXFreq();
    m_data.SetPoints(eq::FrequencyPoints(m_layout.zeroXFreq));
    m_layout.Resize(rect());
}

SMoveThumb* VyEQ::Handle(int id) const
{
    if (id >= 0 && id < 64)
        return m_bandHandles[static_cast<size_t>(id)];
    if (id <= -1 && id >= -4)
        return m_specialHandles[static_cast<size_t>(-id - 1)];
    if (id == -5 || id == -6)
        return m_markers[static_cast<size_t>(-id - 5)];
    return nullptr;
}

bool VyEQ::AddBand(double gain, double freq, double q)
{
    return m_data.AddBand(gain, freq, q);
}

bool VyEQ::SetBandParam(int index, double value, int kind)
{
    return m_data.SetBandParam(index, value, kind);
}

void VyEQ::SetBandGain(int index, double gain)
{
    SetBandParam(index, gain, 0);
    RepositionHandles();
    RedrawCurve();
}

void VyEQ::Refresh()
{
    m_data.Refresh();
    for (int k = 0; k < 64; ++k)
        if (SMoveThumb* h = m_bandHandles[static_cast<size_t>(k)])
            h->setVisible(k < m_data.BandCount());
    for (int s = 0; s < 4; ++s)
        if (SMoveThumb* h = m_specialHandles[static_cast<size_t>(s)])
            h->setVisible(m_data.HasSpecial(s));
    RepositionHandles();
    RedrawCurve();
}

void VyEQ::ShowBandwidthMarkers()
{
    m_markersOn = true;
    RepositionHandles();
}

void VyEQ::AssignSpecialBand(int slot, const eq::EqBand& band)
{
    m_data.AssignSpecial(slot, band);
    Refresh();
}

void VyEQ::RepositionHandles()
{
    const eq::EqLayout& l = m_layout;
    auto centre = [&](double freq, double gain) {
        return QPoint(l.rect.left() + l.ldist + eq::Rnd((std::log10(freq) - std::log10(static_cast<double>(l.zeroXFreq))) * l.pixelsPerDecade),
                      l.rect.top() + l.tdist + eq::Rnd((l.dbMax - gain) * l.pixelsPerDb));
    };
    bool markersPlaced = false;
    for (int k = 0; k < m_data.BandCount() && k < 64; ++k) {
        const eq::EqBand& band = m_data.Band(k);
        QPoint c = centre(band.freq, band.gain);
        if (SMoveThumb* h = m_bandHandles[static_cast<size_t>(k)])
            h->MoveCentreTo(c);
        if (k == m_data.LastChanged() && m_markersOn && m_markers[0] && m_markers[1]) {
            int i = eq::MarkerIndex(band.q);
            m_markers[0]->MoveCentreTo(QPoint(c.x() + i - 120, c.y()));
            m_markers[1]->MoveCentreTo(QPoint(c.x() - i + 120, c.y()));
            for (SMoveThumb* m : m_markers) {
                m->SetUserData(k);
                m->show();
            }
            markersPlaced = true;
        }
    }
    if (!markersPlaced) {
        for (SMoveThumb* m : m_markers) {
            if (!m)
                continue;
            m->hide();
            m->SetUserData(-1);
        }
    }
    for (int s = 0; s < 4; ++s) {
        SMoveThumb* h = m_specialHandles[static_cast<size_t>(s)];
        if (!h || !m_data.HasSpecial(s))
            continue;
        double f = m_data.Special(s).freq;
        int id = -(s + 1);
        if (f < l.minFreq)
            f = (id == -1 || id == -3) ? l.hpfOffFreq : l.lpfOffFreq;
        else if (f > l.maxFreq)
            f = l.lpfOffFreqMax;
        int x = f > 0 ? eq::Rnd(l.X(f)) : l.rect.left() + l.ldist;
        h->MoveCentreTo(QPoint(x, l.rect.top() + l.tdist + eq::Rnd((l.dbMax + 15) * l.pixelsPerDb)));
    }
}

bool VyEQ::OnThumbMoving(CUiEvent& event)
{
    auto& moving = static_cast<EventThumbMoving&>(event);
    if (moving.id < 0)
        return true;  // markers and filter handles are not dragged here
    if (moving.id >= m_data.BandCount())
        return true;
    QPoint proposed = mapFrom(window(), moving.proposed);
    double gain = std::clamp(m_layout.DbAt(proposed.y()), static_cast<double>(m_layout.dbMin), static_cast<double>(m_layout.dbMax));
    double freq = std::clamp(m_layout.FreqAt(proposed.x()), m_layout.minFreq, m_layout.maxFreq);
    m_data.SetBandParam(moving.id, gain, 0);
    m_data.SetBandParam(moving.id, freq, 1);
    EventEqValueChanged changed(this, moving.id, EventEqValueChanged::kGainChanged | EventEqValueChanged::kFreqChanged, gain, freq);
    FireEvent(changed);
    RepositionHandles();
    RedrawCurve();
    return true;
}

void VyEQ::RedrawCurve()
{
    if (m_curve)
        m_curve->update();
}

void VyEQ::resizeEvent(QResizeEvent* event)
{
    SWindow::resizeEvent(event);
    m_layout.Resize(rect());
    RepositionHandles();
}

void VyEQ::LayoutChildren()
{
    // Grid and curve follow their own "pos"; handles keep their fractions.
    SWindow::LayoutChildren();
    for (SWindow* child : ChildWindows())
        if (auto* thumb = qobject_cast<SMoveThumb*>(child))
            thumb->PlaceFromFloats();
}

}  // namespace vy
