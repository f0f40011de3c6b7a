#include "ui/controls/EqMath.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace vy::eq {
namespace {

constexpr double kPi = 3.14159265358979323846;

double FixedTwoQ(int type)
{
    switch (type) {
    case 4:
    case 5:
        return 1.4142135624;
    case 6:
    case 7:
        return 2.61312592975;
    default:
        return 1.1547005384;
    }
}

bool NearZero(double gain)
{
    return std::fabs(gain) <= 0.01;
}

}  // namespace

bool ComputeCoefficients(EqBand& band)
{
    double a0 = 1, a1 = 0, a2 = 0, b0 = 1, b1 = 0, b2 = 0;
    int type = band.type;
    if (type == 10 || type < 0 || type > 10)
        return false;
    // Shelves and peaks without gain, and filters outside the audible band, are flat.
    bool flat = type == 0 || ((type >= 1 && type <= 3) && band.gain == 0.0) ||
                (type >= 4 && type <= 9 && (band.freq < 20.0 || band.freq > 22000.0));
    if (!flat) {
        double A = std::pow(10.0, band.gain / 40.0);
        double w0 = 2 * kPi * band.freq / kSampleRate;
        double s = std::sin(w0);
        double c = std::cos(w0);
        if (type == 2) {
            double alpha = s / (2 * band.q);
            a0 = 1 + alpha / A;
            b0 = 1 + alpha * A;
            b1 = a1 = -2 * c;
            b2 = 1 - alpha * A;
            a2 = 1 - alpha / A;
        } else if (type == 1) {
            double M = std::sqrt(2 * A) * s / band.q;
            a0 = (A + 1) + (A - 1) * c + M;
            b0 = A * ((A + 1) - (A - 1) * c + M);
            b1 = 2 * A * ((A - 1) - (A + 1) * c);
            b2 = A * ((A + 1) - (A - 1) * c - M);
            a1 = -2 * ((A - 1) + (A + 1) * c);
            a2 = (A + 1) + (A - 1) * c - M;
        } else if (type == 3) {
            double M = std::sqrt(2 * A) * s / band.q;
            a0 = (A + 1) - (A - 1) * c + M;
            b0 = A * ((A + 1) + (A - 1) * c + M);
            b1 = -2 * A * ((A - 1) + (A + 1) * c);
            b2 = A * ((A + 1) + (A - 1) * c - M);
            a1 = 2 * ((A - 1) - (A + 1) * c);
            a2 = (A + 1) - (A - 1) * c - M;
        } else {
            double alpha = s / FixedTwoQ(type);
            a0 = 1 + alpha;
            a1 = -2 * c;
            a2 = 1 - alpha;
            bool lowPass = type == 4 || type == 6 || type == 8;
            b0 = b2 = lowPass ? (1 - c) / 2 : (1 + c) / 2;
            b1 = lowPass ? 1 - c : -(1 + c);
        }
    }
    band.coefficients = {a0 / a0 / 2, a1 / a0 / 2, a2 / a0 / 2, b0 / a0 / 2, b1 / a0 / 2, b2 / a0 / 2};
    return true;
}

void ComputeResponse(EqBand& band, const std::vector<double>& omegas)
{
    band.response.assign(kPoints, 0.0);
    if (std::fabs(band.gain) < 0.001)
        return;
    const auto& k = band.coefficients;
    for (size_t i = 0; i < omegas.size() && i < static_cast<size_t>(kPoints); ++i) {
        std::complex<double> z1 = std::polar(1.0, -omegas[i]);
        std::complex<double> z2 = z1 * z1;
        std::complex<double> num = k[3] + k[4] * z1 + k[5] * z2;
        std::complex<double> den = k[0] + k[1] * z1 + k[2] * z2;
        double n = std::abs(num);
        double d = std::abs(den);
        // A section without coefficients (type 10) contributes nothing.
        band.response[i] = (n > 0 && d > 0) ? 20.0 * std::log10(n / d) : 0.0;
    }
}

std::vector<double> FrequencyPoints(int zeroXFreq)
{
    std::vector<double> points(kPoints);
    double low = std::log10(zeroXFreq * kPi / kTopFreq);
    double step = (std::log10(kPi) - low) / kPoints;
    for (int i = 0; i < kPoints; ++i)
        points[static_cast<size_t>(i)] = std::pow(10.0, low + i * step);
    return points;
}

double PointFrequency(int index, int zeroXFreq)
{
    return zeroXFreq * std::pow(kTopFreq / zeroXFreq, static_cast<double>(index) / kPoints);
}

void EqLayout::ClampZeroXFreq()
{
    zeroXFreq = std::clamp(zeroXFreq, 10, 20);
}

void EqLayout::Resize(const QRect& r)
{
    rect = r;
    int bottom = r.top() + r.height();
    int right = r.left() + r.width();
    rowHeight = nKedu > 0 ? (bottom - bdist - r.top() - tdist) / nKedu : 0;
    plotHeight = nKedu * rowHeight;
    plotWidth = right - rdist - ldist - r.left();
    pixelsPerDecade = plotWidth / (std::log10(kTopFreq) - std::log10(static_cast<double>(zeroXFreq)));
    pixelsPerPoint = plotWidth / static_cast<double>(kPoints);
    pixelsPerDb = dbMax != dbMin ? plotHeight / static_cast<double>(dbMax - dbMin) : 0;
}

double EqLayout::X(double freq) const
{
    return rect.left() + ldist + (std::log10(freq) - std::log10(static_cast<double>(zeroXFreq))) * pixelsPerDecade;
}

double EqLayout::FreqAt(double x) const
{
    if (pixelsPerDecade <= 0)
        return zeroXFreq;
    return std::pow(10.0, (x - rect.left() - ldist) / pixelsPerDecade + std::log10(static_cast<double>(zeroXFreq)));
}

double EqLayout::Y(double db) const
{
    return rect.top() + tdist + (dbMax - db) * pixelsPerDb;
}

double EqLayout::DbAt(double y) const
{
    if (pixelsPerDb <= 0)
        return 0;
    return dbMax - (y - rect.top() - tdist) / pixelsPerDb;
}

int Rnd(double v)
{
    return static_cast<int>(std::trunc(v + 0.5));
}

Grid ComputeGrid(const EqLayout& layout, const QRect& gr)
{
    Grid grid;
    int grBottom = gr.top() + gr.height();
    int grRight = gr.left() + gr.width();
    grid.left = gr.left() + layout.ldist;
    grid.right = grRight - layout.rdist;
    grid.top = gr.top() + layout.tdist;
    grid.bottom = grBottom - layout.bdist;
    int rowHeight = layout.nKedu > 0 ? (grBottom - layout.bdist - gr.top() - layout.tdist) / layout.nKedu : 0;
    int step = layout.nKedu > 0 ? (layout.dbMax - layout.dbMin) / layout.nKedu : 0;
    for (int k = 0; k <= layout.nKedu; ++k) {
        GridLine line;
        line.pos = grid.top + k * rowHeight;
        int value = layout.dbMax - k * step;
        if (layout.ldist > 10 && layout.dbKeduVal != 0 && value % layout.dbKeduVal == 0) {
            line.label = std::to_string(value);
            line.labelRect = QRect(QPoint(gr.left() + 2, line.pos - 7), QPoint(gr.left() + layout.ldist - 2 - 1, line.pos - 7 + rowHeight + 2 - 1));
        }
        grid.horizontal.push_back(line);
    }
    std::vector<int> freqs = {layout.zeroXFreq};
    for (int decade = 10; decade <= 1000; decade *= 10)
        for (int m = 2; m <= 10; ++m)
            freqs.push_back(m * decade);
    freqs.push_back(20000);
    double span = std::log10(kTopFreq) - std::log10(static_cast<double>(layout.zeroXFreq));
    int plotWidth = grRight - layout.rdist - layout.ldist - gr.left();
    for (int f : freqs) {
        GridLine line;
        line.pos = grid.left + static_cast<int>(std::trunc((std::log10(static_cast<double>(f)) - std::log10(static_cast<double>(layout.zeroXFreq))) * plotWidth / span));
        const char* label = nullptr;
        switch (f) {
        case 20: label = "20Hz"; break;
        case 50: label = "50Hz"; break;
        case 100: label = "100Hz"; break;
        case 200: label = "200Hz"; break;
        case 500: label = "500Hz"; break;
        case 1000: label = "1kHz"; break;
        case 2000: label = "2kHz"; break;
        case 5000: label = "5kHz"; break;
        case 10000: label = "10kHz"; break;
        case 20000: label = "20kHz"; break;
        default: break;
        }
        if (label && layout.bdist > 10 && !(f == layout.zeroXFreq && grid.vertical.size() > 0)) {
            line.label = label;
            line.labelRect = QRect(line.pos - 12, grid.bottom + 5, 48, 14);
        }
        grid.vertical.push_back(line);
    }
    return grid;
}

const std::array<int, 101>& MarkerTable()
{
    static const std::array<int, 101> table = {
        40,   42,   45,   47,   50,   53,   56,   59,   63,   67,   71,   75,   79,   84,   89,   94,   100,
        106,  112,  119,  126,  130,  140,  150,  160,  170,  180,  190,  200,  210,  220,  240,  250,  270,
        280,  300,  320,  340,  360,  380,  400,  420,  450,  480,  500,  530,  570,  600,  630,  670,  710,
        760,  800,  850,  900,  950,  1010, 1070, 1130, 1200, 1270, 1350, 1400, 1500, 1600, 1700, 1800, 1900,
        2000, 2100, 2300, 2400, 2500, 2700, 2900, 3000, 3200, 3400, 3600, 3800, 4000, 4300, 4500, 4800, 5100,
        5400, 5700, 6000, 6400, 6800, 7200, 7600, 8100, 8500, 9100, 9600, 10200, 10800, 11400, 12100, 12800};
    return table;
}

int MarkerIndex(double q)
{
    long long target = static_cast<long long>(std::trunc(q * 300));
    const auto& table = MarkerTable();
    int best = 0;
    long long bestDistance = -1;
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        long long d = std::llabs(table[static_cast<size_t>(i)] - target);
        if (bestDistance < 0 || d < bestDistance) {  // ties keep the lower index
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

EqCurveData::EqCurveData() : m_total(kPoints, 0.0), m_second(kPoints, 0.0) {}

bool EqCurveData::AddBand(double gain, double freq, double q)
{
    if (BandCount() >= kMaxRegularBands)
        return false;
    EqBand band;
    band.type = 2;
    band.gain = gain;
    band.freq = freq;
    band.q = q;
    m_bands.push_back(band);
    return true;
}

void EqCurveData::Recompute(EqBand& band)
{
    ComputeCoefficients(band);
    ComputeResponse(band, m_omegas);
}

bool EqCurveData::SetBandParam(int index, double value, int kind)
{
    if (index < 0 || index >= BandCount())
        return false;
    if (kind == 3 && (value < 0 || value > 10 || value != std::trunc(value)))
        return false;
    if (kind < 0 || kind > 3)
        return false;
    EqBand& band = m_bands[static_cast<size_t>(index)];
    double gainBefore = band.gain;
    switch (kind) {
    case 0:
        band.gain = value;
        break;
    case 1:
        band.freq = value;
        break;
    case 2:
        band.q = value;
        break;
    default:
        band.type = static_cast<int>(value);
        break;
    }
    m_lastChanged = -1;
    band.response.assign(kPoints, 0.0);
    if (!NearZero(band.gain)) {
        Recompute(band);
        m_lastChanged = index;
    } else if (NearZero(gainBefore)) {
        return false;
    }
    Sum();
    return true;
}

void EqCurveData::Refresh()
{
    for (EqBand& band : m_bands)
        if (!NearZero(band.gain))
            Recompute(band);
    for (SpecialSlot& s : m_special)
        if (s.assigned)
            Recompute(s.band);
    Sum();
}

void EqCurveData::AssignSpecial(int slot, const EqBand& band)
{
    if (slot < 0 || slot > 3)
        return;
    m_special[static_cast<size_t>(slot)].band = band;
    m_special[static_cast<size_t>(slot)].assigned = true;
    Recompute(m_special[static_cast<size_t>(slot)].band);
    Sum();
}

void EqCurveData::Sum()
{
    m_maxValue = 0;
    bool second = HasSecondCurve();
    for (int i = 0; i < kPoints; ++i) {
        double regular = 0;
        for (const EqBand& band : m_bands)
            regular += band.response[static_cast<size_t>(i)];
        double total = regular;
        for (int s = 0; s < 2; ++s)
            if (m_special[static_cast<size_t>(s)].assigned)
                total += m_special[static_cast<size_t>(s)].band.response[static_cast<size_t>(i)];
        m_total[static_cast<size_t>(i)] = total;
        m_maxValue = std::max(m_maxValue, total);
        if (second) {
            double v = regular;
            for (int s = 2; s < 4; ++s)
                if (m_special[static_cast<size_t>(s)].assigned)
                    v += m_special[static_cast<size_t>(s)].band.response[static_cast<size_t>(i)];
            m_second[static_cast<size_t>(i)] = v;
            m_maxValue = std::max(m_maxValue, v);
        }
    }
}

}  // namespace vy::eq
