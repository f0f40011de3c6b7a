#include "ui/controls/InputDialogs.h"

#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"
#include "base/Utf.h"
#include "ui/controls/HotKeyCtrl.h"
#include "ui/controls/TipWnd.h"
#include "ui/toolkit/Edit.h"

#include <QCoreApplication>

#include <cstdio>

namespace vy {
namespace {

std::u32string ToCodePoints(const std::string& utf8)
{
    std::u16string u16 = Utf8ToUtf16(utf8);
    std::u32string out;
    for (size_t i = 0; i < u16.size(); ++i) {
        char32_t c = u16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u16.size() && u16[i + 1] >= 0xDC00 && u16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u16[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> CheckInputText(const std::string& text, bool allowEmpty, int maxLength,
                                          const std::string& forbidden, std::string& result)
{
    std::string candidate = text;
    if (!allowEmpty) {
        candidate = Trim(text);
        if (candidate.empty())
            return std::string("输入文本不能为空！");
    }
    std::u32string chars = ToCodePoints(candidate);
    if (maxLength >= 0 && chars.size() > static_cast<size_t>(maxLength)) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, "输入的字符个数大于%d！", maxLength);
        return std::string(buffer);
    }
    std::u32string banned = ToCodePoints(forbidden);
    for (char32_t c : chars)
        if (banned.find(c) != std::u32string::npos)
            return "不能包含字符“" + forbidden + "”";
    result = candidate;
    return std::nullopt;
}

SDlgInput::SDlgInput(QWidget* owner, std::string layoutName) : SHostDialog(std::move(layoutName), owner) {}

bool SDlgInput::OnInitDialog()
{
    if (SWindow* title = FindChildByName("txt_title"))
        title->SetWindowText(m_title.empty() ? "Input" : m_title);
    if (auto* input = FindChildByName2<SEdit>("txt_input")) {
        input->SetWindowText(m_text);
        input->SetLimitText(m_maxLength);  // -1 lifts the layout's limit
        input->FocusInput();
        input->SetSel(0, -1);
    }
    return true;
}

void SDlgInput::OnOK()
{
    auto* input = FindChildByName2<SEdit>("txt_input");
    std::string text = input ? input->GetWindowText() : std::string();
    std::string accepted;
    auto refusal = CheckInputText(text, m_allowEmpty, m_maxLength, m_forbidden, accepted);
    if (refusal) {
        m_lastRefusal = *refusal;
        QPoint anchor = input ? input->mapToGlobal(QPoint(50, 15)) : mapToGlobal(QPoint(50, 15));
        ShowTip(*refusal, anchor.x(), anchor.y(), 1, 2000, false);
        if (input)
            input->FocusInput();
        return;
    }
    m_lastRefusal.clear();
    m_text = accepted;
    EndDialog(IDOK);
}

SInputHotKeyDlg::SInputHotKeyDlg(std::string layoutName, uint32_t hotkey, std::string title, QWidget* owner)
    : SHostDialog(std::move(layoutName), owner), m_hotkey(hotkey), m_title(std::move(title))
{
}

bool SInputHotKeyDlg::OnInitDialog()
{
    if (!m_title.empty())
        if (SWindow* title = FindChildByName("txt_title"))
            title->SetWindowText(m_title);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    if (auto* control = FindChildByName2<SHotKeyCtrl>("txt_hotkey_input")) {
        control->SetHotKey(HotkeyVirtualKey(m_hotkey), HotkeyModifiers(m_hotkey));
        control->setFocus(Qt::OtherFocusReason);
    }
    return true;
}

void SInputHotKeyDlg::OnOK()
{
    if (auto* control = FindChildByName2<SHotKeyCtrl>("txt_hotkey_input")) {
        m_hotkey = control->Value();
        m_text = control->HotKeyText();
    } else {
        m_text = vy::HotkeyText(m_hotkey);
    }
    EndDialog(IDOK);
}

}  // namespace vy
