#pragma once

#include "ui/toolkit/HostWnd.h"

namespace vy {

// Where a tip window of size `size` goes for an anchor and a placement mode:
// 0 top-left at the anchor, 1 bottom-left, 2 top-right, 3 bottom-right,
// 4 centred horizontally below it; any other mode keeps `current`.
QPoint TipPlacement(const QPoint& anchor, const QSize& size, int mode, const QPoint& current);

// The shared tip window: a short message over a window that hides itself
// after its time (timer 100). One exists at a time; a new tip replaces the
// visible one at once.
class CTipWnd : public SHostWnd {
    Q_OBJECT
public:
    static constexpr uint32_t kTimerHide = 100;

    // The live tip window, or null.
    static CTipWnd* Current();

    void SetAnchor(const QPoint& anchor, int mode);
    const QPoint& Anchor() const { return m_anchor; }
    int Mode() const { return m_mode; }
    std::string TipText() const;
    bool IconShown() const;

protected:
    void OnTimer(uint32_t id) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CTipWnd();
    ~CTipWnd() override;
    friend int ShowTip(const std::string&, int, int, int, int, bool);
    void Place();

    QPoint m_anchor;
    int m_mode = 0;
};

// Shows the tip: `x`, `centreY` in screen coordinates. 0 only when the tip
// window cannot be made.
int ShowTip(const std::string& text, int x, int centreY, int mode, int durationMs, bool showIcon);
// Centres a tip on `window` (mode 4); nothing and 0 for an empty text or no window.
int ShowTipOnWindow(const std::string& text, QWidget* window, bool showIcon, int durationMs = 2000);

}  // namespace vy
