#include "base/HotkeyText.h"
#include "base/HexText.h"

#include "base/HotkeyRegistrar.h"
#include "base/Utf.h"

#include <cstdio>

namespace vy {
namespace {

struct NamedKey {
    uint32_t code;
    const char* name;
};

// Keys outside the letter, digit, keypad-digit and function-key ranges.
constexpr NamedKey kNamedKeys[] = {
    {kVkBack, "Backspace"},
    {kVkTab, "Tab"},
    {kVkClear, "Clear"},
    {kVkReturn, "Enter"},
    {kVkShift, "Shift"},
    {kVkControl, "Ctrl"},
    {kVkMenu, "Alt"},
    {kVkPause, "Pause"},
    {kVkCapital, "Caps Lock"},
    {kVkEscape, "Esc"},
    {kVkSpace, "Space"},
    {kVkPrior, "Page Up"},
    {kVkNext, "Page Down"},
    {kVkEnd, "End"},
    {kVkHome, "Home"},
    {kVkLeft, "Left"},
    {kVkUp, "Up"},
    {kVkRight, "Right"},
    {kVkDown, "Down"},
    {kVkSnapshot, "Print Screen"},
    {kVkInsert, "Insert"},
    {kVkDelete, "Delete"},
    {kVkLWin, "Left Win"},
    {kVkRWin, "Right Win"},
    {kVkApps, "Menu"},
    {kVkMultiply, "Num *"},
    {kVkAdd, "Num +"},
    {kVkSeparator, "Num Separator"},
    {kVkSubtract, "Num -"},
    {kVkDecimal, "Num ."},
    {kVkDivide, "Num /"},
    {kVkNumLock, "Num Lock"},
    {kVkScroll, "Scroll Lock"},
    {kVkVolumeMute, "Volume Mute"},
    {kVkVolumeDown, "Volume Down"},
    {kVkVolumeUp, "Volume Up"},
    {kVkMediaNextTrack, "Next Track"},
    {kVkMediaPrevTrack, "Previous Track"},
    {kVkMediaStop, "Media Stop"},
    {kVkMediaPlayPause, "Play/Pause"},
    {kVkOem1, ";"},
    {kVkOemPlus, "="},
    {kVkOemComma, ","},
    {kVkOemMinus, "-"},
    {kVkOemPeriod, "."},
    {kVkOem2, "/"},
    {kVkOem3, "`"},
    {kVkOem4, "["},
    {kVkOem5, "\\"},
    {kVkOem6, "]"},
    {kVkOem7, "'"},
};

struct Modifier {
    uint32_t flag;
    const char* prefix;
};

// The order the text shows them in.
constexpr Modifier kModifiers[] = {
    {kHotkeyCtrl, "Ctrl+"},
    {kHotkeyShift, "Shift+"},
    {kHotkeyAlt, "Alt+"},
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::optional<uint32_t> ParseKeyName(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    for (const NamedKey& key : kNamedKeys)
        if (EqualsNoCase(name, key.name))
            return key.code;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= '0' && c <= '9')
            return kVk0 + static_cast<uint32_t>(c - '0');
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z')
            return kVkA + static_cast<uint32_t>(c - 'A');
        return std::nullopt;
    }
    if (name.size() == 5 && StartsWithNoCase(name, "Num ") && name[4] >= '0' && name[4] <= '9')
        return VkNumpad(static_cast<unsigned>(name[4] - '0'));
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        unsigned number = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            number = number * 10 + static_cast<unsigned>(c - '0');
        }
        if (name[1] != '0' && number >= 1 && number <= 24)
            return VkFunction(number);
        return std::nullopt;
    }
    if (name.size() >= 3 && name.size() <= 6 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        uint32_t code = 0;
        for (char c : name.substr(2)) {
            int digit = HexDigit(c);
            if (digit < 0)
                return std::nullopt;
            code = code << 4 | static_cast<uint32_t>(digit);
        }
        if (code != 0)
            return code;
    }
    return std::nullopt;
}

}  // namespace

std::string VirtualKeyName(uint32_t virtualKey)
{
    if (virtualKey >= kVk0 && virtualKey <= kVk9)
        return std::string(1, static_cast<char>('0' + (virtualKey - kVk0)));
    if (virtualKey >= kVkA && virtualKey <= kVkZ)
        return std::string(1, static_cast<char>('A' + (virtualKey - kVkA)));
    if (virtualKey >= kVkNumpad0 && virtualKey <= kVkNumpad9)
        return "Num " + std::to_string(virtualKey - kVkNumpad0);
    if (virtualKey >= kVkF1 && virtualKey <= kVkF24)
        return "F" + std::to_string(virtualKey - kVkF1 + 1);
    for (const NamedKey& key : kNamedKeys)
        if (key.code == virtualKey)
            return key.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", virtualKey);
    return text;
}

std::string HotkeyText(uint32_t hotkey)
{
    uint32_t key = HotkeyVirtualKey(hotkey);
    if (key == 0)
        return {};
    std::string text;
    for (const Modifier& modifier : kModifiers)
        if (HotkeyModifiers(hotkey) & modifier.flag)
            text += modifier.prefix;
    return text + VirtualKeyName(key);
}

std::optional<uint32_t> ParseHotkeyText(std::string_view text)
{
    if (text.empty())
        return 0u;
    uint32_t modifiers = 0;
    bool more = true;
    while (more) {
        more = false;
        for (const Modifier& modifier : kModifiers) {
            // "Ctrl+" alone leaves nothing for the key; a key named like a
            // modifier ("Alt") has no "+" after it, so it is not taken here.
            if (StartsWithNoCase(text, modifier.prefix)) {
                if (modifiers & modifier.flag)
                    return std::nullopt;
                modifiers |= modifier.flag;
                text.remove_prefix(std::string_view(modifier.prefix).size());
                more = true;
                break;
            }
        }
    }
    std::optional<uint32_t> key = ParseKeyName(text);
    if (!key)
        return std::nullopt;
    return MakeHotkey(modifiers, *key);
}

}  // namespace vy
