#pragma once

#include "ui/toolkit/Window.h"

#include <vector>

namespace vy {

// One page of a tab control (<page title="..">controls</page>).
class STabPage : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(STabPage, SWindow, "page")
public:
    explicit STabPage(QWidget* parent = nullptr);
    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;

private:
    std::string m_title;
};

// A tab control: a row of headers ("tabHeight", "tabWidth", "tabInterval",
// "tabSkin" with normal/hover/selected states, "colorTextSel") above the
// pages. Changing the page raises EventTabSelChanged.
class STabCtrl : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(STabCtrl, SWindow, "tabctrl")
public:
    explicit STabCtrl(QWidget* parent = nullptr);

    int GetItemCount() const { return static_cast<int>(m_pages.size()); }
    int GetCurSel() const { return m_curSel; }
    // False for an index out of range. Raises the event when the page changes.
    bool SetCurSel(int index);
    STabPage* GetItem(int index) const;
    // A page from XML text: a <page> element, or controls that become the
    // content of a new page. Inserted at `index` (-1: at the end); returns
    // the page or null on bad XML.
    STabPage* InsertItem(const std::string& xml, int index = -1);
    STabPage* InsertItem(const pugi::xml_node& node, int index = -1);
    bool RemoveItem(int index);
    void RemoveAllItems();
    bool SetItemTitle(int index, const std::string& title);
    // Shows or hides the header of a page (the page itself stays selectable).
    bool SetItemHeaderVisible(int index, bool visible);
    bool IsItemHeaderVisible(int index) const;
    QRect HeaderRect(int index) const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnInitFinished(const pugi::xml_node& node) override;
    void LayoutChildren() override;
    void OnPaint(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void CollectPages();
    void ShowCurrent();

    std::vector<STabPage*> m_pages;
    std::vector<bool> m_headerVisible;
    int m_curSel = -1;
    int m_initialSel = 0;
    int m_hoverTab = -1;
    int m_tabHeight = 30;
    int m_tabWidth = 0;
    int m_tabInterval = 0;
    std::shared_ptr<ISkin> m_tabSkin;
    QColor m_colorTextSel{0x64, 0xE7, 0xDD};
};

}  // namespace vy
