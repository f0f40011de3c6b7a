#pragma once

#include "ui/toolkit/Window.h"

#include <cstdint>

namespace vy {

// Records a key combination ("hotkey"): modifier flags (Alt 1, Ctrl 2,
// Shift 4) and a Windows virtual-key code, shown as "Ctrl+Alt+Num 1".
// Backspace or Delete alone clears it; modifiers alone show as pending.
class SHotKeyCtrl : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SHotKeyCtrl, SWindow, "hotkey")
public:
    explicit SHotKeyCtrl(QWidget* parent = nullptr);

    void SetHotKey(uint32_t virtualKey, uint32_t modifiers);
    uint32_t VirtualKey() const { return m_vk; }
    uint32_t Modifiers() const { return m_modifiers; }
    // modifiers << 16 | virtual key; 0 when nothing was recorded.
    uint32_t Value() const;
    // The display text of the recorded combination.
    std::string HotKeyText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void DrawContent(QPainter& painter) override;
    bool event(QEvent* event) override;

private:
    void ShowPending(uint32_t modifiers);
    uint32_t m_vk = 0;
    uint32_t m_modifiers = 0;
    uint32_t m_pending = 0;
};

}  // namespace vy
