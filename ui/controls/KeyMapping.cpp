#include "ui/controls/KeyMapping.h"

#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"

namespace vy {

uint32_t HotkeyModifiersFromQt(Qt::KeyboardModifiers modifiers)
{
    uint32_t flags = 0;
    if (modifiers & Qt::AltModifier)
        flags |= kHotkeyAlt;
    if (modifiers & Qt::ControlModifier)
        flags |= kHotkeyCtrl;
    if (modifiers & Qt::ShiftModifier)
        flags |= kHotkeyShift;
    return flags;
}

std::optional<uint32_t> VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers)
{
    bool keypad = modifiers & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return VkNumpad(static_cast<unsigned>(key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Asterisk:
            return kVkMultiply;
        case Qt::Key_Plus:
            return kVkAdd;
        case Qt::Key_Minus:
            return kVkSubtract;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return kVkDecimal;
        case Qt::Key_Slash:
            return kVkDivide;
        case Qt::Key_Enter:
            return kVkReturn;
        default:
            break;  // navigation keys of the keypad are the ordinary ones
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return kVkA + static_cast<uint32_t>(key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return kVk0 + static_cast<uint32_t>(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VkFunction(static_cast<unsigned>(key - Qt::Key_F1 + 1));
    // Shifted symbols name the key they are on (US layout).
    static const struct {
        int qt;
        uint32_t vk;
    } kTable[] = {
        {Qt::Key_Backspace, kVkBack},      {Qt::Key_Tab, kVkTab},           {Qt::Key_Backtab, kVkTab},
        {Qt::Key_Clear, kVkClear},         {Qt::Key_Return, kVkReturn},     {Qt::Key_Enter, kVkReturn},
        {Qt::Key_Pause, kVkPause},         {Qt::Key_CapsLock, kVkCapital},  {Qt::Key_Escape, kVkEscape},
        {Qt::Key_Space, kVkSpace},         {Qt::Key_PageUp, kVkPrior},      {Qt::Key_PageDown, kVkNext},
        {Qt::Key_End, kVkEnd},             {Qt::Key_Home, kVkHome},         {Qt::Key_Left, kVkLeft},
        {Qt::Key_Up, kVkUp},               {Qt::Key_Right, kVkRight},       {Qt::Key_Down, kVkDown},
        {Qt::Key_Print, kVkSnapshot},      {Qt::Key_Insert, kVkInsert},     {Qt::Key_Delete, kVkDelete},
        {Qt::Key_Menu, kVkApps},           {Qt::Key_NumLock, kVkNumLock},   {Qt::Key_ScrollLock, kVkScroll},
        {Qt::Key_VolumeMute, kVkVolumeMute}, {Qt::Key_VolumeDown, kVkVolumeDown}, {Qt::Key_VolumeUp, kVkVolumeUp},
        {Qt::Key_MediaNext, kVkMediaNextTrack}, {Qt::Key_MediaPrevious, kVkMediaPrevTrack},
        {Qt::Key_MediaStop, kVkMediaStop}, {Qt::Key_MediaPlay, kVkMediaPlayPause}, {Qt::Key_MediaTogglePlayPause, kVkMediaPlayPause},
        {Qt::Key_Semicolon, kVkOem1},      {Qt::Key_Colon, kVkOem1},        {Qt::Key_Equal, kVkOemPlus},
        {Qt::Key_Plus, kVkOemPlus},        {Qt::Key_Comma, kVkOemComma},    {Qt::Key_Less, kVkOemComma},
        {Qt::Key_Minus, kVkOemMinus},      {Qt::Key_Underscore, kVkOemMinus}, {Qt::Key_Period, kVkOemPeriod},
        {Qt::Key_Greater, kVkOemPeriod},   {Qt::Key_Slash, kVkOem2},        {Qt::Key_Question, kVkOem2},
        {Qt::Key_QuoteLeft, kVkOem3},      {Qt::Key_AsciiTilde, kVkOem3},   {Qt::Key_BracketLeft, kVkOem4},
        {Qt::Key_BraceLeft, kVkOem4},      {Qt::Key_Backslash, kVkOem5},    {Qt::Key_Bar, kVkOem5},
        {Qt::Key_BracketRight, kVkOem6},   {Qt::Key_BraceRight, kVkOem6},   {Qt::Key_Apostrophe, kVkOem7},
        {Qt::Key_QuoteDbl, kVkOem7},       {Qt::Key_Exclam, kVk0 + 1},      {Qt::Key_At, kVk0 + 2},
        {Qt::Key_NumberSign, kVk0 + 3},    {Qt::Key_Dollar, kVk0 + 4},      {Qt::Key_Percent, kVk0 + 5},
        {Qt::Key_AsciiCircum, kVk0 + 6},   {Qt::Key_Ampersand, kVk0 + 7},   {Qt::Key_Asterisk, kVk0 + 8},
        {Qt::Key_ParenLeft, kVk0 + 9},     {Qt::Key_ParenRight, kVk0},
    };
    for (const auto& entry : kTable)
        if (entry.qt == key)
            return entry.vk;
    return std::nullopt;
}

}  // namespace vy
