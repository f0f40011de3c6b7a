#include "ui/controls/SliderMath.h"

#include <Qt>

#include <algorithm>
#include <cmath>

namespace vy::slider {

int JumpValue(int minValue, int maxValue, const QRect& rail, const QPoint& point, bool vertical)
{
    long long range = static_cast<long long>(maxValue) - minValue + 1;
    if (vertical) {
        long long top = rail.top();
        long long bottom = rail.top() + rail.height();
        if (bottom == top)
            return minValue;
        return static_cast<int>(minValue + range * (bottom - point.y()) / (bottom - top));
    }
    long long left = rail.left();
    long long right = rail.left() + rail.width();
    if (right == left)
        return minValue;
    return static_cast<int>(minValue + (point.x() - left) * range / (right - left));
}

int DragValue(int anchor, int delta, int minValue, int maxValue, int railLength)
{
    if (railLength <= 0)
        return std::clamp(anchor, minValue, maxValue);
    long long n = anchor + static_cast<long long>(delta) * (static_cast<long long>(maxValue) - minValue + 1) / railLength;
    return static_cast<int>(std::clamp<long long>(n, minValue, maxValue));
}

std::optional<int> KeyValue(int qtKey, int value, int minValue, int maxValue)
{
    long long v = value;
    long long page = (static_cast<long long>(maxValue) - minValue) / 5;
    switch (qtKey) {
    case Qt::Key_PageUp:
        v += page;
        break;
    case Qt::Key_PageDown:
        v -= page;
        break;
    case Qt::Key_End:
        v = minValue;
        break;
    case Qt::Key_Home:
        v = maxValue;
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        v -= 1;
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        v += 1;
        break;
    default:
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<long long>(v, minValue, maxValue));
}

QPoint TipPoint(const QRect& thumb, int chars, bool vertical)
{
    int l = thumb.left();
    int t = thumb.top();
    int r = thumb.left() + thumb.width();
    int b = thumb.top() + thumb.height();
    if (vertical)
        return {l - 6 * chars - 15, t + (b - t) / 2 - 11};
    return {l + (r - l - 6 * chars - 10) / 2, b + 10};
}

int SkinStateIndex(int states, bool disabled, bool dragging, bool hoverThumb, bool focused)
{
    enum { kDisabled, kDragging, kHover, kFocused, kNormal } condition;
    if (disabled)
        condition = kDisabled;
    else if (dragging)
        condition = kDragging;
    else if (hoverThumb)
        condition = kHover;
    else if (focused)
        condition = kFocused;
    else
        condition = kNormal;
    switch (states) {
    case 2:
        return (condition == kDragging || condition == kFocused) ? 1 : 0;
    case 3:
        return (condition == kDragging || condition == kFocused) ? 2 : (condition == kHover ? 1 : 0);
    case 4:
        if (condition == kDisabled)
            return 3;
        return (condition == kDragging || condition == kFocused) ? 2 : (condition == kHover ? 1 : 0);
    default:
        return 0;
    }
}

}  // namespace vy::slider

namespace vy::knob {

double AngleOfValue(int value, int minValue, int maxValue, double alpha)
{
    if (maxValue == minValue)
        return 0;
    return (360.0 - alpha) * (value - minValue) / static_cast<double>(maxValue - minValue);
}

std::optional<double> AngleOfPoint(int dx, int dy, double alpha)
{
    if (dx == 0 && dy == 0)
        return std::nullopt;
    double r = std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * kRadToDeg;
    // Straight left (dy = 0) belongs with the lower-left quadrant: atan2
    // gives +180 there, which would read as beyond the maximum.
    if (dx < 0 && dy >= 0)
        return r - 90 - alpha / 2;
    return r + 270 - alpha / 2;
}

QPoint DotPosition(double kappa, double alpha, int cx, int cy, int radius)
{
    double phi = Direction(kappa, alpha) * kDegToRad;
    return {static_cast<int>(cx + radius * std::cos(phi)), static_cast<int>(cy + radius * std::sin(phi))};
}

int StepForAngle(double deltaKappa, int minValue, int maxValue, double alpha)
{
    if (alpha >= 360)
        return 0;
    return static_cast<int>(std::trunc(deltaKappa * (static_cast<double>(maxValue) - minValue + 1) / (360.0 - alpha)));
}

int BackgroundState(int value, int v1, int v2, int v3)
{
    if (value <= v1)
        return 0;
    if (value < v2)
        return 1;
    if (value == v2)
        return 2;
    if (value <= v3)
        return 3;
    return 4;
}

std::optional<int> CWrapGuard::Step(int value, int n, int minValue, int maxValue)
{
    if (value == maxValue && n == minValue) {
        m_blockedAtMax = true;
        return std::nullopt;
    }
    if (value == minValue && n == maxValue) {
        m_blockedAtMin = true;
        return std::nullopt;
    }
    if (m_blockedAtMax && n == maxValue)
        m_blockedAtMax = false;
    if (m_blockedAtMin && n == minValue)
        m_blockedAtMin = false;
    if (m_blockedAtMax || m_blockedAtMin)
        return std::nullopt;
    if (n == value)
        return std::nullopt;
    return n;
}

}  // namespace vy::knob

namespace vy::level {

int LitLength(int value, int minValue, int maxValue, int length)
{
    if (value <= minValue || maxValue <= minValue)
        return 0;
    return static_cast<int>(static_cast<long long>(value - minValue) * length / (maxValue - minValue));
}

int DeclinedValue(int value, int shown, int declineSpeed, int maxValue, bool fallAtZero)
{
    int d = declineSpeed * maxValue / 100;
    if ((fallAtZero || value != 0) && value + d < shown)
        return shown - d;
    return value;
}

int CoverLength(int value, int minValue, int maxValue, int length)
{
    if (maxValue <= minValue)
        return 0;
    return static_cast<int>(static_cast<long long>(maxValue - value) * length / (maxValue - minValue));
}

}  // namespace vy::level
