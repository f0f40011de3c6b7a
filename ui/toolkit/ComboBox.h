#pragma once

#include "ui/toolkit/Window.h"

class QComboBox;

namespace vy {

// A drop-down list. Items come from <items><item text=".." data=".."/></items>
// or from code. Every change of the selection (the user's or SetCurSel)
// raises EventCBSelChange with the new index.
class SComboBox : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SComboBox, SWindow, "combobox")
public:
    explicit SComboBox(QWidget* parent = nullptr);

    int InsertItem(int index, const std::string& text, intptr_t itemData = 0);
    int AddString(const std::string& text, intptr_t itemData = 0) { return InsertItem(-1, text, itemData); }
    // Clears the items and the selection without raising an event.
    void ResetContent();
    bool SetCurSel(int index);
    int GetCurSel() const;
    int GetCount() const;
    std::string GetLBText(int index) const;
    intptr_t GetItemData(int index) const;
    std::string GetWindowText() const override;
    QComboBox* Combo() const { return m_combo; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnInitFinished(const pugi::xml_node& node) override;
    void resizeEvent(QResizeEvent* event) override;
    void DrawContent(QPainter& painter) override;

private:
    QComboBox* m_combo;
    bool m_silent = false;
    int m_initialSel = -1;
};

}  // namespace vy
