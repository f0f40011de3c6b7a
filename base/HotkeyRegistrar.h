#pragma once

#include <cstdint>

namespace vy {

// Global hotkeys as the libraries see them. A hotkey value is a u32 with the
// modifier flags (Alt 1, Ctrl 2, Shift 4) in the high 16 bits and a Windows
// virtual-key code in the low 16 bits. Ids: an effect's global index, 14000 +
// position for sound pad favorites, 7010 for the one-touch soundtrack.
class IHotkeyRegistrar {
public:
    virtual ~IHotkeyRegistrar() = default;
    // False when the key cannot be had (another program holds it, or no
    // backend); the caller keeps the value in its settings regardless.
    virtual bool RegisterHotkey(int id, uint32_t hotkey) = 0;
    virtual void UnregisterHotkey(int id) = 0;
};

constexpr uint32_t kHotkeyAlt = 1;
constexpr uint32_t kHotkeyCtrl = 2;
constexpr uint32_t kHotkeyShift = 4;

constexpr uint32_t MakeHotkey(uint32_t modifiers, uint32_t virtualKey)
{
    return (modifiers << 16) | (virtualKey & 0xFFFF);
}
constexpr uint32_t HotkeyModifiers(uint32_t hotkey) { return hotkey >> 16; }
constexpr uint32_t HotkeyVirtualKey(uint32_t hotkey) { return hotkey & 0xFFFF; }

}  // namespace vy
