#pragma once

#include <QPoint>
#include <QRect>

#include <optional>

// Input maths of the sliders and the rotary knob, apart from painting.
namespace vy::slider {

// Click-to-jump: the value at a point of the rail (right and bottom edges
// exclusive), not yet clamped.
int JumpValue(int minValue, int maxValue, const QRect& rail, const QPoint& point, bool vertical);
// A drag `delta` pixels along a rail of `railLength` from an anchor value,
// clamped.
int DragValue(int anchor, int delta, int minValue, int maxValue, int railLength);
// The value a key gives (Page Up/Down by a fifth of the range, End the
// minimum, Home the maximum, arrows by one), clamped; nullopt for other keys.
std::optional<int> KeyValue(int qtKey, int value, int minValue, int maxValue);
// Top-left of the value tooltip for `chars` characters beside the thumb.
QPoint TipPoint(const QRect& thumb, int chars, bool vertical);
// Skin state index: condition is the first of disabled, dragging, over the
// thumb, focused, normal; the index depends on the skin's state count.
int SkinStateIndex(int states, bool disabled, bool dragging, bool hoverThumb, bool focused);

}  // namespace vy::slider

namespace vy::knob {

// Degrees <-> radians as the knob computes them (pi taken as 3.14).
constexpr double kDegToRad = 3.14 / 180.0;
constexpr double kRadToDeg = 180.0 / 3.14;

// Knob angle of a value: 0 at the minimum, 360 - alpha at the maximum.
double AngleOfValue(int value, int minValue, int maxValue, double alpha);
// Knob angle of a point relative to the centre; nullopt at the centre.
std::optional<double> AngleOfPoint(int dx, int dy, double alpha);
// Screen direction (degrees, clockwise from the right) a knob angle points at.
inline double Direction(double kappa, double alpha)
{
    return kappa + alpha / 2 + 90;
}
// The dot's position on a circle of radius r about (cx, cy).
QPoint DotPosition(double kappa, double alpha, int cx, int cy, int radius);
// Value change for an angle difference.
int StepForAngle(double deltaKappa, int minValue, int maxValue, double alpha);
// Background state by value for thresholds v1 <= v2 <= v3: 0..4.
int BackgroundState(int value, int v1, int v2, int v3);

// The wrap guards of one drag: a drag over the dead zone does not jump
// between the ends.
class CWrapGuard {
public:
    // The value to store for the computed `n`, or nullopt to keep `value`.
    std::optional<int> Step(int value, int n, int minValue, int maxValue);
    void Reset() { m_blockedAtMax = m_blockedAtMin = false; }
    bool BlockedAtMax() const { return m_blockedAtMax; }
    bool BlockedAtMin() const { return m_blockedAtMin; }

private:
    bool m_blockedAtMax = false;
    bool m_blockedAtMin = false;
};

}  // namespace vy::knob

namespace vy::level {

// Pixels lit for a value over a length (64-bit, truncated); 0 at or below min.
int LitLength(int value, int minValue, int maxValue, int length);
// The value a falling level bar shows at a repaint: it falls by
// speed * max / 100 from the shown value unless the new value is higher.
// `fallAtZero` lets a value of 0 fall as well instead of dropping at once.
int DeclinedValue(int value, int shown, int declineSpeed, int maxValue, bool fallAtZero);
// Length of the cover beyond the value: (max - value) * length / (max - min).
int CoverLength(int value, int minValue, int maxValue, int length);

}  // namespace vy::level
