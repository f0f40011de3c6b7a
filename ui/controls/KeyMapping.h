#pragma once

#include <Qt>

#include <cstdint>
#include <optional>

namespace vy {

// The Windows virtual-key code of a Qt key; keypad keys (KeypadModifier)
// map to the numeric-keypad codes. Nullopt for keys without one, and for
// the modifier keys themselves.
std::optional<uint32_t> VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// The hotkey modifier flags (Alt 1, Ctrl 2, Shift 4) of Qt modifiers.
uint32_t HotkeyModifiersFromQt(Qt::KeyboardModifiers modifiers);

}  // namespace vy
