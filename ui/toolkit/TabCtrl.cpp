#include "ui/toolkit/TabCtrl.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Skin.h"
#include "ui/toolkit/UiApp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace vy {

STabPage::STabPage(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

bool STabPage::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "title") {
        m_title = TrText(value);
        if (auto* tab = qobject_cast<STabCtrl*>(parentWidget()))
            tab->update();
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

STabCtrl::STabCtrl(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    setMouseTracking(true);
}

bool STabCtrl::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "cursel") {
        m_initialSel = ParseInt(value);
        if (!loading)
            SetCurSel(m_initialSel);
        return true;
    }
    if (name == "tabheight") {
        m_tabHeight = std::max(0, ParseInt(value));
        return true;
    }
    if (name == "tabwidth") {
        m_tabWidth = std::max(0, ParseInt(value));
        return true;
    }
    if (name == "tabinterval") {
        m_tabInterval = ParseInt(value);
        return true;
    }
    if (name == "tabskin") {
        m_tabSkin = ResolveSkin(value);
        return m_tabSkin != nullptr || value.empty();
    }
    if (name == "colortextsel") {
        auto c = CUiApp::Instance().ResolveColor(value);
        if (!c)
            return false;
        m_colorTextSel = *c;
        return true;
    }
    if (name == "tabalign" || name == "animatesteps")
        return true;
    return SWindow::OnAttribute(name, value, loading);
}

void STabCtrl::CollectPages()
{
    std::vector<STabPage*> found;
    for (SWindow* child : ChildWindows())
        if (auto* page = qobject_cast<STabPage*>(child))
            found.push_back(page);
    // Keep the known order and append new pages.
    std::vector<STabPage*> ordered;
    for (STabPage* page : m_pages)
        if (std::find(found.begin(), found.end(), page) != found.end())
            ordered.push_back(page);
    for (STabPage* page : found)
        if (std::find(ordered.begin(), ordered.end(), page) == ordered.end())
            ordered.push_back(page);
    m_pages = ordered;
    m_headerVisible.resize(m_pages.size(), true);
}

void STabCtrl::OnInitFinished(const pugi::xml_node&)
{
    CollectPages();
    if (!m_pages.empty()) {
        m_curSel = std::clamp(m_initialSel, 0, GetItemCount() - 1);
        ShowCurrent();
    }
}

STabPage* STabCtrl::GetItem(int index) const
{
    if (index < 0 || index >= GetItemCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

bool STabCtrl::SetCurSel(int index)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    if (index == m_curSel)
        return true;
    int old = m_curSel;
    m_curSel = index;
    ShowCurrent();
    update();
    EventTabSelChanged event(this, old, index);
    FireEvent(event);
    return true;
}

void STabCtrl::ShowCurrent()
{
    for (int i = 0; i < GetItemCount(); ++i)
        m_pages[static_cast<size_t>(i)]->setVisible(i == m_curSel);
    LayoutChildren();
}

STabPage* STabCtrl::InsertItem(const std::string& xml, int index)
{
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size());
    if (!result) {
        VY_LOG("tab page XML unreadable: %s", result.description());
        return nullptr;
    }
    return InsertItem(doc.document_element(), index);
}

STabPage* STabCtrl::InsertItem(const pugi::xml_node& node, int index)
{
    if (!node)
        return nullptr;
    STabPage* page = nullptr;
    if (EqualsNoCase(node.name(), "page")) {
        page = qobject_cast<STabPage*>(CreateChildFromXml(node));
    } else {
        page = new STabPage(this);
        page->CreateChildFromXml(node);
        page->show();
    }
    if (!page)
        return nullptr;
    m_pages.erase(std::remove(m_pages.begin(), m_pages.end(), page), m_pages.end());
    if (index < 0 || index > GetItemCount())
        index = GetItemCount();
    m_pages.insert(m_pages.begin() + index, page);
    m_headerVisible.insert(m_headerVisible.begin() + index, true);
    if (m_curSel >= index && m_curSel >= 0 && GetItemCount() > 1)
        ++m_curSel;
    if (m_curSel < 0)
        m_curSel = 0;
    ShowCurrent();
    update();
    return page;
}

bool STabCtrl::RemoveItem(int index)
{
    STabPage* page = GetItem(index);
    if (!page)
        return false;
    m_pages.erase(m_pages.begin() + index);
    m_headerVisible.erase(m_headerVisible.begin() + index);
    page->hide();
    page->setParent(nullptr);
    page->deleteLater();
    if (m_curSel >= GetItemCount())
        m_curSel = GetItemCount() - 1;
    else if (m_curSel > index)
        --m_curSel;
    ShowCurrent();
    update();
    return true;
}

void STabCtrl::RemoveAllItems()
{
    while (GetItemCount() > 0)
        RemoveItem(GetItemCount() - 1);
}

bool STabCtrl::SetItemTitle(int index, const std::string& title)
{
    STabPage* page = GetItem(index);
    if (!page)
        return false;
    page->SetTitle(title);
    update();
    return true;
}

bool STabCtrl::SetItemHeaderVisible(int index, bool visible)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_headerVisible[static_cast<size_t>(index)] = visible;
    update();
    return true;
}

bool STabCtrl::IsItemHeaderVisible(int index) const
{
    return index >= 0 && index < GetItemCount() && m_headerVisible[static_cast<size_t>(index)];
}

QRect STabCtrl::HeaderRect(int index) const
{
    if (!IsItemHeaderVisible(index) || m_tabHeight == 0)
        return {};
    QFontMetrics fm(font());
    int x = ClientRect().left();
    for (int i = 0; i < GetItemCount(); ++i) {
        if (!m_headerVisible[static_cast<size_t>(i)])
            continue;
        int w = m_tabWidth > 0 ? m_tabWidth : fm.horizontalAdvance(ToQString(m_pages[static_cast<size_t>(i)]->Title())) + 24;
        if (i == index)
            return QRect(x, ClientRect().top(), w, m_tabHeight);
        x += w + m_tabInterval;
    }
    return {};
}

void STabCtrl::LayoutChildren()
{
    QRect area = ClientRect().adjusted(0, m_tabHeight, 0, 0);
    for (SWindow* child : ChildWindows()) {
        if (qobject_cast<STabPage*>(child))
            child->setGeometry(area);
    }
}

void STabCtrl::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    for (int i = 0; i < GetItemCount(); ++i) {
        QRect r = HeaderRect(i);
        if (r.isEmpty())
            continue;
        int state = i == m_curSel ? 2 : (i == m_hoverTab ? 1 : 0);
        if (m_tabSkin)
            m_tabSkin->Draw(painter, r, state < m_tabSkin->States() ? state : 0);
        else if (i == m_curSel)
            painter.fillRect(r.adjusted(0, r.height() - 2, 0, 0), m_colorTextSel);
        painter.save();
        painter.setFont(font());
        painter.setPen(i == m_curSel ? m_colorTextSel : m_colorText);
        painter.drawText(r, Qt::AlignCenter, ToQString(m_pages[static_cast<size_t>(i)]->Title()));
        painter.restore();
    }
}

void STabCtrl::mousePressEvent(QMouseEvent* event)
{
    QPointer<STabCtrl> alive(this);
    SWindow::mousePressEvent(event);
    if (!alive || event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (HeaderRect(i).contains(event->position().toPoint())) {
            SetCurSel(i);
            return;
        }
    }
}

void STabCtrl::mouseMoveEvent(QMouseEvent* event)
{
    int hover = -1;
    for (int i = 0; i < GetItemCount(); ++i)
        if (HeaderRect(i).contains(event->position().toPoint()))
            hover = i;
    if (hover != m_hoverTab) {
        m_hoverTab = hover;
        update();
    }
}

void STabCtrl::leaveEvent(QEvent* event)
{
    m_hoverTab = -1;
    SWindow::leaveEvent(event);
}

}  // namespace vy
