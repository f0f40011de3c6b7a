#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"

#include <gtest/gtest.h>

using vy::HotkeyText;
using vy::MakeHotkey;
using vy::ParseHotkeyText;

namespace {

struct TextCase {
    uint32_t hotkey;
    const char* text;
};

// Values as the settings files hold them (decimal there), with their text.
const TextCase kTextCases[] = {
    {0x00000061, "Num 1"},                     // the first built-in favorite
    {0x00000068, "Num 8"},
    {0x00000060, "Num 0"},
    {0x00000069, "Num 9"},
    {0x00030061, "Ctrl+Alt+Num 1"},            // Alt 1 | Ctrl 2
    {0x00070041, "Ctrl+Shift+Alt+A"},
    {0x00040070, "Shift+F1"},
    {0x00020087, "Ctrl+F24"},
    {0x0001005A, "Alt+Z"},
    {0x00000030, "0"},
    {0x00020039, "Ctrl+9"},
    {0x0000006A, "Num *"},
    {0x0002006B, "Ctrl+Num +"},
    {0x0000006D, "Num -"},
    {0x0000006E, "Num ."},
    {0x0000006F, "Num /"},
    {0x00000020, "Space"},
    {0x00000021, "Page Up"},
    {0x00000022, "Page Down"},
    {0x0000002E, "Delete"},
    {0x00000026, "Up"},
    {0x000000BA, ";"},
    {0x000400BB, "Shift+="},
    {0x000000DC, "\\"},
    {0x000000B3, "Play/Pause"},
    {0x000000E2, "0xE2"},                      // a code without a name
    {0x00020100, "Ctrl+0x100"},
};

}  // namespace

TEST(HotkeyText, ShowsAndParsesBackEveryKeyKind)
{
    for (const TextCase& c : kTextCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(HotkeyText(c.hotkey), c.text);
        std::optional<uint32_t> parsed = ParseHotkeyText(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, c.hotkey);
    }
}

TEST(HotkeyText, EveryNamedCodeRoundTrips)
{
    // Any key code with any modifier set survives text and back, so a value
    // the dialog produced can be shown and re-read without loss.
    for (uint32_t modifiers = 0; modifiers <= 7; ++modifiers) {
        for (uint32_t key = 1; key <= 0xFF; ++key) {
            uint32_t hotkey = MakeHotkey(modifiers, key);
            std::string text = HotkeyText(hotkey);
            std::optional<uint32_t> parsed = ParseHotkeyText(text);
            ASSERT_TRUE(parsed.has_value()) << text;
            EXPECT_EQ(*parsed, hotkey) << text;
        }
    }
}

TEST(HotkeyText, NoKeyMeansNoText)
{
    EXPECT_EQ(HotkeyText(0), "");
    // Modifier flags alone are not a hotkey.
    EXPECT_EQ(HotkeyText(MakeHotkey(vy::kHotkeyCtrl | vy::kHotkeyAlt, 0)), "");
    // Bits beyond Alt, Ctrl and Shift are not shown.
    EXPECT_EQ(HotkeyText(MakeHotkey(0x8 | vy::kHotkeyShift, vy::VkNumpad(3))), "Shift+Num 3");
    EXPECT_EQ(ParseHotkeyText(""), std::optional<uint32_t>(0u));
}

TEST(HotkeyText, ParsingAcceptsAnyOrderAndCase)
{
    const std::pair<const char*, uint32_t> cases[] = {
        {"alt+ctrl+num 1", MakeHotkey(vy::kHotkeyAlt | vy::kHotkeyCtrl, vy::VkNumpad(1))},
        {"SHIFT+f12", MakeHotkey(vy::kHotkeyShift, vy::VkFunction(12))},
        {"ctrl+x", MakeHotkey(vy::kHotkeyCtrl, 'X')},
        {"Ctrl+Shift", MakeHotkey(vy::kHotkeyCtrl, vy::kVkShift)},
        {"0xe2", 0xE2},
    };
    for (const auto& [text, hotkey] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseHotkeyText(text), std::optional<uint32_t>(hotkey));
    }
}

TEST(HotkeyText, ParsingRefusesWhatNamesNoKey)
{
    const char* const refused[] = {
        "Ctrl+",        // modifier without a key
        "Ctrl+Ctrl+A",  // repeated modifier
        "Hyper+A",
        "Num 10",
        "Num",
        "F0",
        "F25",
        "F01",
        "AB",
        "0x",
        "0x0",
        "0x12345",
        "0xZZ",
        "Ctrl+ A",
        " Ctrl+A",
        "é",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseHotkeyText(text).has_value());
    }
}
