#pragma once

#include "ui/toolkit/HostDialog.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vy {

// The checks of the text input dialog. Returns the refusal message, or
// nothing when the text is accepted; `result` is the text to keep (trimmed
// of blanks, tabs and line ends unless empty texts are allowed). Lengths
// count characters, not bytes.
std::optional<std::string> CheckInputText(const std::string& text, bool allowEmpty, int maxLength,
                                          const std::string& forbidden, std::string& result);

// Asks for a text ("LAYOUT:XML_INPUTDLG"). Set the fields, run DoModal:
// IDOK (1) with the text in m_text, or IDCANCEL (2).
class SDlgInput : public SHostDialog {
    Q_OBJECT
    VY_WIDGET_CLASS(SDlgInput, SHostDialog, "dlginput")
public:
    explicit SDlgInput(QWidget* owner = nullptr, std::string layoutName = "LAYOUT:XML_INPUTDLG");

    std::string m_title = "修改音效名称";
    std::string m_text;
    std::string m_forbidden;
    int m_maxLength = -1;
    bool m_allowEmpty = false;

    // The message of the last refusal (empty when none).
    const std::string& LastRefusal() const { return m_lastRefusal; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    std::string m_lastRefusal;
};

// Asks for a hotkey ("LAYOUT:XML_HOTKEYDLG") with the hotkey control
// "txt_hotkey_input". On IDOK, Hotkey() is modifiers << 16 | virtual key
// (0 when none) and HotkeyText() its display text.
class SInputHotKeyDlg : public SHostDialog {
    Q_OBJECT
    VY_WIDGET_CLASS(SInputHotKeyDlg, SHostDialog, "dlginputhotkey")
public:
    SInputHotKeyDlg(std::string layoutName, uint32_t hotkey, std::string title, QWidget* owner = nullptr);
    uint32_t Hotkey() const { return m_hotkey; }
    const std::string& HotkeyText() const { return m_text; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    uint32_t m_hotkey;
    std::string m_title;
    std::string m_text;
};

}  // namespace vy
