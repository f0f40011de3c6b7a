#include "ui/toolkit/ItemView.h"

#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"

#include <QPainter>

namespace vy {
namespace {

pugi::xml_node ChildNoCase(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && EqualsNoCase(c.name(), name))
            return c;
    return {};
}

}  // namespace

SItemView::SItemView(QWidget* parent) : SScrollView(parent) {}

SItemView::~SItemView() = default;

SWindow* SItemView::Row(int index) const
{
    if (index < 0 || index >= RowCount())
        return nullptr;
    return m_rows[static_cast<size_t>(index)];
}

SWindow* SItemView::RowOf(const SWindow* control) const
{
    for (const SWindow* w = control; w; w = w->ParentWindow()) {
        if (std::find(m_rows.begin(), m_rows.end(), w) != m_rows.end())
            return const_cast<SWindow*>(w);
        if (w == this)
            break;
    }
    return nullptr;
}

void SItemView::OnInitFinished(const pugi::xml_node& node)
{
    SScrollView::OnInitFinished(node);
    pugi::xml_node templ = ChildNoCase(node, "template");
    if (templ) {
        m_template.reset();
        m_template.append_copy(templ);
        for (pugi::xml_attribute a : templ.attributes())
            if (EqualsNoCase(a.name(), "itemHeight"))
                m_rowHeight = std::max(1, ParseInt(a.value(), 30));
    }
}

void SItemView::EnsureRows(int count)
{
    while (RowCount() > count) {
        SWindow* row = m_rows.back();
        m_rows.pop_back();
        // The row may be the sender of the event that changed the data.
        row->hide();
        row->deleteLater();
    }
    while (RowCount() < count) {
        auto* row = new SWindow(m_content);
        if (pugi::xml_node templ = m_template.document_element()) {
            for (pugi::xml_attribute a : templ.attributes())
                if (!EqualsNoCase(a.name(), "itemHeight"))
                    row->SetAttribute(a.name(), a.value(), true);
            row->CreateChildren(templ);
        }
        row->show();
        m_rows.push_back(row);
        OnRowCreated(row);
    }
}

QSize SItemView::LayoutContent(const QSize& viewSize)
{
    int y = 0;
    int width = viewSize.width();
    for (int i = 0; i < RowCount(); ++i) {
        int indent = RowIndent(i);
        m_rows[static_cast<size_t>(i)]->setGeometry(indent, y, std::max(0, width - indent), m_rowHeight);
        y += m_rowHeight;
    }
    return {width, y};
}

SListView::~SListView()
{
    if (m_adapter)
        m_adapter->UnregisterObserver(this);
}

void SListView::SetAdapter(SListAdapter* adapter)
{
    if (m_adapter)
        m_adapter->UnregisterObserver(this);
    m_adapter = adapter;
    if (m_adapter)
        m_adapter->RegisterObserver(this);
    OnDataSetChanged();
}

void SListView::OnRowCreated(SWindow* row)
{
    if (m_adapter)
        m_adapter->InitView(row);
}

void SListView::OnDataSetChanged()
{
    int count = m_adapter ? std::max(0, m_adapter->GetCount()) : 0;
    EnsureRows(count);
    for (int i = 0; i < count; ++i) {
        SWindow* row = m_rows[static_cast<size_t>(i)];
        row->SetUserData(i);
        m_adapter->GetView(i, row);
    }
    Relayout();
}

void SMCListView::OnInitFinished(const pugi::xml_node& node)
{
    SListView::OnInitFinished(node);
    pugi::xml_node header = ChildNoCase(node, "header");
    if (!header)
        return;
    m_headerHeight = 30;
    for (pugi::xml_attribute a : header.attributes())
        if (EqualsNoCase(a.name(), "itemHeight") || EqualsNoCase(a.name(), "height"))
            m_headerHeight = std::max(0, ParseInt(a.value(), 30));
    for (pugi::xml_node item : header.children()) {
        if (item.type() != pugi::node_element)
            continue;
        std::string title = item.attribute("text") ? item.attribute("text").as_string() : item.text().as_string();
        m_columns.push_back({TrText(title), std::max(0, ParseInt(item.attribute("width").as_string(), 100))});
    }
    Relayout();
}

int SMCListView::ColumnWidth(int column) const
{
    return column >= 0 && column < ColumnCount() ? m_columns[static_cast<size_t>(column)].width : 0;
}

std::string SMCListView::ColumnTitle(int column) const
{
    return column >= 0 && column < ColumnCount() ? m_columns[static_cast<size_t>(column)].title : std::string();
}

void SMCListView::PlaceColumns(SWindow* row)
{
    if (!m_adapter)
        return;
    int x = 0;
    for (int c = 0; c < ColumnCount(); ++c) {
        int w = m_columns[static_cast<size_t>(c)].width;
        if (SWindow* cell = row->FindChildByName(m_adapter->GetColumnName(c), 1))
            cell->SetAttribute("pos", std::to_string(x) + ",0,@" + std::to_string(w) + ",-0");
        x += w;
    }
    row->RequestRelayout();
}

void SMCListView::OnDataSetChanged()
{
    SListView::OnDataSetChanged();
    for (SWindow* row : m_rows)
        PlaceColumns(row);
}

void SMCListView::DrawContent(QPainter& painter)
{
    if (m_headerHeight <= 0)
        return;
    QRect client = ClientRect();
    int x = client.left();
    painter.save();
    painter.setFont(font());
    painter.setPen(m_colorText);
    for (const Column& column : m_columns) {
        painter.drawText(QRect(x, client.top(), column.width, m_headerHeight), Qt::AlignCenter, ToQString(column.title));
        x += column.width;
    }
    painter.setPen(QColor(128, 128, 128, 96));
    painter.drawLine(client.left(), client.top() + m_headerHeight - 1, client.right(), client.top() + m_headerHeight - 1);
    painter.restore();
}

STreeView::STreeView(QWidget* parent) : SItemView(parent) {}

STreeView::~STreeView()
{
    if (m_adapter)
        m_adapter->UnregisterObserver(this);
}

bool STreeView::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "indent") {
        m_indent = std::max(0, ParseInt(value, 16));
        return true;
    }
    return SItemView::OnAttribute(name, value, loading);
}

void STreeView::SetAdapter(STreeAdapter* adapter)
{
    if (m_adapter)
        m_adapter->UnregisterObserver(this);
    m_adapter = adapter;
    if (m_adapter)
        m_adapter->RegisterObserver(this);
    OnDataSetChanged();
}

void STreeView::OnRowCreated(SWindow* row)
{
    if (m_adapter)
        m_adapter->InitView(row);
}

void STreeView::OnDataSetChanged()
{
    std::vector<std::pair<HTREEITEM, int>> visible;
    if (m_adapter) {
        // Depth-first over expanded items; a guard against cyclic adapters.
        std::vector<std::pair<HTREEITEM, int>> stack;
        for (HTREEITEM c = m_adapter->GetFirstChild(kTreeRoot); c; c = m_adapter->GetNextSibling(c))
            stack.emplace_back(c, 0);
        std::reverse(stack.begin(), stack.end());
        size_t guard = 0;
        while (!stack.empty() && ++guard < 1000000) {
            auto [item, depth] = stack.back();
            stack.pop_back();
            visible.emplace_back(item, depth);
            if (!m_adapter->IsExpanded(item))
                continue;
            std::vector<std::pair<HTREEITEM, int>> children;
            for (HTREEITEM c = m_adapter->GetFirstChild(item); c; c = m_adapter->GetNextSibling(c))
                children.emplace_back(c, depth + 1);
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    }
    EnsureRows(static_cast<int>(visible.size()));
    m_depths.clear();
    for (size_t i = 0; i < visible.size(); ++i) {
        SWindow* row = m_rows[i];
        row->SetUserData(static_cast<intptr_t>(visible[i].first));
        m_depths.push_back(visible[i].second);
        m_adapter->GetView(visible[i].first, row);
    }
    Relayout();
}

int STreeView::RowDepth(int index) const
{
    return index >= 0 && index < static_cast<int>(m_depths.size()) ? m_depths[static_cast<size_t>(index)] : 0;
}

int STreeView::RowIndent(int index) const
{
    return RowDepth(index) * m_indent;
}

}  // namespace vy
