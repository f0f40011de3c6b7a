#pragma once

#include <QPoint>
#include <QRect>

#include <array>
#include <string>
#include <vector>

// The equaliser graph's arithmetic, apart from any painting: filter
// sections, their response at 1024 log-spaced points, the summed curves, the
// plot geometry and the handle positions. Sampling rate 48000 Hz.
namespace vy::eq {

constexpr int kPoints = 1024;
constexpr int kMaxRegularBands = 31;
constexpr double kSampleRate = 48000.0;
constexpr double kTopFreq = 24000.0;

struct EqBand {
    int type = 2;
    double freq = 1000.0;
    double gain = 0.0;
    double q = 1.7;
    // a0, a1, a2, b0, b1, b2 normalised by a0, each halved.
    std::array<double, 6> coefficients{};
    std::vector<double> response = std::vector<double>(kPoints, 0.0);
};

// Fills band.coefficients from type, freq, gain and q; false for type 10
// (accepted, coefficients left as they are) or an unknown type.
bool ComputeCoefficients(EqBand& band);
// Fills band.response (dB) at the given points (radians per sample).
void ComputeResponse(EqBand& band, const std::vector<double>& omegas);
// The 1024 evaluation points for a left-edge frequency.
std::vector<double> FrequencyPoints(int zeroXFreq);
double PointFrequency(int index, int zeroXFreq);

// Axis settings (the vyeq attributes) and the values derived from a size.
struct EqLayout {
    int ldist = 36;
    int tdist = 18;
    int rdist = 0;
    int bdist = 16;
    int dbMax = 12;
    int dbMin = -12;
    int nKedu = 4;
    int dbKeduVal = 6;
    int zeroXFreq = 10;
    double minFreq = 10.0;
    double maxFreq = 22000.0;
    double hpfOffFreq = 10.0;
    double lpfOffFreq = 23000.0;
    double lpfOffFreqMax = 0.0;

    // Derived by Resize.
    QRect rect;
    int rowHeight = 0;
    int plotHeight = 0;
    int plotWidth = 0;
    double pixelsPerDecade = 0;
    double pixelsPerPoint = 0;
    double pixelsPerDb = 0;

    void ClampZeroXFreq();
    void Resize(const QRect& r);
    double X(double freq) const;
    double FreqAt(double x) const;
    double Y(double db) const;
    double DbAt(double y) const;
};

// trunc(v + 0.5), as handle positions round.
int Rnd(double v);

// One grid line and its label (empty: no label).
struct GridLine {
    int pos;  // y of a horizontal line, x of a vertical one
    std::string label;
    QRect labelRect;
};
struct Grid {
    std::vector<GridLine> horizontal;
    std::vector<GridLine> vertical;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};
// The grid of a control rectangle `gr` laid out by `layout`.
Grid ComputeGrid(const EqLayout& layout, const QRect& gr);

// Index into the 101-entry bandwidth marker table nearest to trunc(q * 300).
int MarkerIndex(double q);
const std::array<int, 101>& MarkerTable();

// The handle's rim colour channel: +57 modulo 256.
inline int RimChannel(int c)
{
    return (c + 57) % 256;
}

// The band data behind the graph: regular bands, special filter bands of
// the two curves, the summed curves and the band that changed last.
class EqCurveData {
public:
    EqCurveData();
    void SetPoints(std::vector<double> omegas) { m_omegas = std::move(omegas); }

    int BandCount() const { return static_cast<int>(m_bands.size()); }
    const EqBand& Band(int index) const { return m_bands[static_cast<size_t>(index)]; }
    // Appends a peaking band; false when 31 exist.
    bool AddBand(double gain, double freq, double q);
    // kind 0 gain, 1 frequency, 2 q, 3 type (0..10). False when nothing
    // needs redrawing or the request is refused.
    bool SetBandParam(int index, double value, int kind);
    // Recomputes every band with a gain beyond +-0.01 dB and re-sums.
    void Refresh();
    void Sum();

    // Special bands: slot 0/1 the filters of curve 1, 2/3 of curve 2.
    void AssignSpecial(int slot, const EqBand& band);
    bool HasSpecial(int slot) const { return m_special[static_cast<size_t>(slot)].assigned; }
    const EqBand& Special(int slot) const { return m_special[static_cast<size_t>(slot)].band; }
    bool HasSecondCurve() const { return HasSpecial(2) || HasSpecial(3); }

    const std::vector<double>& Total() const { return m_total; }
    const std::vector<double>& Second() const { return m_second; }
    int LastChanged() const { return m_lastChanged; }
    double MaxValue() const { return m_maxValue; }

private:
    void Recompute(EqBand& band);
    struct SpecialSlot {
        EqBand band;
        bool assigned = false;
    };
    std::vector<EqBand> m_bands;
    std::array<SpecialSlot, 4> m_special;
    std::vector<double> m_omegas;
    std::vector<double> m_total;
    std::vector<double> m_second;
    int m_lastChanged = -1;
    double m_maxValue = 0;
};

}  // namespace vy::eq
