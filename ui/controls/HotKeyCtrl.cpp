#include "ui/controls/HotKeyCtrl.h"

#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"
#include "ui/controls/KeyMapping.h"

#include <QKeyEvent>
#include <QPainter>

namespace vy {

SHotKeyCtrl::SHotKeyCtrl(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    m_colorBkgnd = QColor(255, 255, 255);
}

void SHotKeyCtrl::SetHotKey(uint32_t virtualKey, uint32_t modifiers)
{
    m_vk = virtualKey & 0xFFFF;
    m_modifiers = m_vk ? (modifiers & (kHotkeyAlt | kHotkeyCtrl | kHotkeyShift)) : 0;
    m_pending = 0;
    update();
}

uint32_t SHotKeyCtrl::Value() const
{
    return m_vk ? MakeHotkey(m_modifiers, m_vk) : 0;
}

std::string SHotKeyCtrl::HotKeyText() const
{
    return HotkeyText(Value());
}

bool SHotKeyCtrl::event(QEvent* e)
{
    // Tab and Backtab are keys to record here, not focus moves.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return SWindow::event(e);
}

void SHotKeyCtrl::ShowPending(uint32_t modifiers)
{
    m_pending = modifiers;
    update();
}

void SHotKeyCtrl::keyPressEvent(QKeyEvent* event)
{
    uint32_t modifiers = HotkeyModifiersFromQt(event->modifiers());
    int key = event->key();
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta ||
        key == Qt::Key_AltGr) {
        ShowPending(modifiers);
        return;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && modifiers == 0) {
        SetHotKey(0, 0);
        return;
    }
    auto vk = VirtualKeyFromQt(key, event->modifiers());
    if (!vk) {
        event->ignore();
        return;
    }
    SetHotKey(*vk, modifiers);
}

void SHotKeyCtrl::keyReleaseEvent(QKeyEvent* event)
{
    ShowPending(HotkeyModifiersFromQt(event->modifiers()));
}

void SHotKeyCtrl::DrawContent(QPainter& painter)
{
    std::string text = HotKeyText();
    if (m_pending && m_pending != m_modifiers) {
        text.clear();
        if (m_pending & kHotkeyCtrl)
            text += "Ctrl+";
        if (m_pending & kHotkeyShift)
            text += "Shift+";
        if (m_pending & kHotkeyAlt)
            text += "Alt+";
    }
    if (text.empty())
        text = "无";
    DrawText(painter, ClientRect().adjusted(6, 0, -6, 0), QString::fromStdString(text), Qt::AlignLeft | Qt::AlignVCenter);
    if (hasFocus()) {
        painter.save();
        painter.setPen(QPen(QColor(0x64, 0xE7, 0xDD), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

}  // namespace vy
