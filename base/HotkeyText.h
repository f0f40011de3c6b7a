#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Hotkey values keep the Windows form everywhere (settings files, records,
// the registrar): modifier flags in the high 16 bits, a Windows virtual-key
// code in the low 16. These are the key codes the program deals in, and the
// text a hotkey is shown as ("Num 1", "Ctrl+Alt+Num 1").
namespace vy {

// Windows virtual-key codes.
constexpr uint32_t kVkBack = 0x08;
constexpr uint32_t kVkTab = 0x09;
constexpr uint32_t kVkClear = 0x0C;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkShift = 0x10;
constexpr uint32_t kVkControl = 0x11;
constexpr uint32_t kVkMenu = 0x12;  // Alt
constexpr uint32_t kVkPause = 0x13;
constexpr uint32_t kVkCapital = 0x14;  // Caps Lock
constexpr uint32_t kVkEscape = 0x1B;
constexpr uint32_t kVkSpace = 0x20;
constexpr uint32_t kVkPrior = 0x21;  // Page Up
constexpr uint32_t kVkNext = 0x22;   // Page Down
constexpr uint32_t kVkEnd = 0x23;
constexpr uint32_t kVkHome = 0x24;
constexpr uint32_t kVkLeft = 0x25;
constexpr uint32_t kVkUp = 0x26;
constexpr uint32_t kVkRight = 0x27;
constexpr uint32_t kVkDown = 0x28;
constexpr uint32_t kVkSnapshot = 0x2C;  // Print Screen
constexpr uint32_t kVkInsert = 0x2D;
constexpr uint32_t kVkDelete = 0x2E;
constexpr uint32_t kVk0 = 0x30;  // '0' to '9' are 0x30 to 0x39
constexpr uint32_t kVk9 = 0x39;
constexpr uint32_t kVkA = 0x41;  // 'A' to 'Z' are 0x41 to 0x5A
constexpr uint32_t kVkZ = 0x5A;
constexpr uint32_t kVkLWin = 0x5B;
constexpr uint32_t kVkRWin = 0x5C;
constexpr uint32_t kVkApps = 0x5D;  // context-menu key
constexpr uint32_t kVkNumpad0 = 0x60;  // numeric keypad 0 to 9 are 0x60 to 0x69
constexpr uint32_t kVkNumpad9 = 0x69;
constexpr uint32_t kVkMultiply = 0x6A;
constexpr uint32_t kVkAdd = 0x6B;
constexpr uint32_t kVkSeparator = 0x6C;
constexpr uint32_t kVkSubtract = 0x6D;
constexpr uint32_t kVkDecimal = 0x6E;
constexpr uint32_t kVkDivide = 0x6F;
constexpr uint32_t kVkF1 = 0x70;  // F1 to F24 are 0x70 to 0x87
constexpr uint32_t kVkF24 = 0x87;
constexpr uint32_t kVkNumLock = 0x90;
constexpr uint32_t kVkScroll = 0x91;  // Scroll Lock
constexpr uint32_t kVkVolumeMute = 0xAD;
constexpr uint32_t kVkVolumeDown = 0xAE;
constexpr uint32_t kVkVolumeUp = 0xAF;
constexpr uint32_t kVkMediaNextTrack = 0xB0;
constexpr uint32_t kVkMediaPrevTrack = 0xB1;
constexpr uint32_t kVkMediaStop = 0xB2;
constexpr uint32_t kVkMediaPlayPause = 0xB3;
constexpr uint32_t kVkOem1 = 0xBA;       // ;
constexpr uint32_t kVkOemPlus = 0xBB;    // =
constexpr uint32_t kVkOemComma = 0xBC;   // ,
constexpr uint32_t kVkOemMinus = 0xBD;   // -
constexpr uint32_t kVkOemPeriod = 0xBE;  // .
constexpr uint32_t kVkOem2 = 0xBF;       // /
constexpr uint32_t kVkOem3 = 0xC0;       // `
constexpr uint32_t kVkOem4 = 0xDB;       // [
constexpr uint32_t kVkOem5 = 0xDC;       // backslash
constexpr uint32_t kVkOem6 = 0xDD;       // ]
constexpr uint32_t kVkOem7 = 0xDE;       // '

constexpr uint32_t VkNumpad(unsigned digit) { return kVkNumpad0 + digit; }
constexpr uint32_t VkFunction(unsigned number) { return kVkF1 + number - 1; }  // F1 is number 1

// The name of a key as a hotkey shows it: "A", "7", "Num 1", "Num *", "F5",
// "Space", "Page Up", ";". A code without a name gives "0x" and two or more
// uppercase hex digits ("0xE2"), which ParseHotkeyText accepts back.
std::string VirtualKeyName(uint32_t virtualKey);

// "Ctrl+", "Shift+", "Alt+" (in that order, for the flags that are set)
// followed by the key name; empty for 0 or a value without a key. Modifier
// bits other than Alt, Ctrl and Shift are not shown.
std::string HotkeyText(uint32_t hotkey);

// The reverse of HotkeyText: modifier prefixes in any order and letter case,
// then one key name. Empty text gives 0. Nothing for text that names no key,
// repeats a modifier, or has a modifier without a key.
std::optional<uint32_t> ParseHotkeyText(std::string_view text);

}  // namespace vy
