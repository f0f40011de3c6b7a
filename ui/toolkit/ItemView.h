#pragma once

#include "ui/toolkit/Adapter.h"
#include "ui/toolkit/ScrollView.h"

#include <pugixml.hpp>

namespace vy {

// Rows made from an XML row template (<template itemHeight="30">controls
// </template>), stacked and scrolled. Rows are kept and reused when the data
// changes; each row's user data identifies its item.
class SItemView : public SScrollView, public IAdapterObserver {
    Q_OBJECT
    VY_WIDGET_CLASS(SItemView, SScrollView, "itemview")
public:
    explicit SItemView(QWidget* parent = nullptr);
    ~SItemView() override;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    SWindow* Row(int index) const;
    int RowHeight() const { return m_rowHeight; }
    // The row a control belongs to (the control itself may be the row).
    SWindow* RowOf(const SWindow* control) const;

protected:
    void OnInitFinished(const pugi::xml_node& node) override;
    QSize LayoutContent(const QSize& viewSize) override;
    // Makes the rows match `count`, building new ones from the template.
    void EnsureRows(int count);
    virtual void OnRowCreated(SWindow* row) { (void)row; }
    virtual int RowIndent(int index) const
    {
        (void)index;
        return 0;
    }

    pugi::xml_document m_template;
    std::vector<SWindow*> m_rows;
    int m_rowHeight = 30;
};

// A list of rows from an SListAdapter.
class SListView : public SItemView {
    Q_OBJECT
    VY_WIDGET_CLASS(SListView, SItemView, "listview")
public:
    explicit SListView(QWidget* parent = nullptr) : SItemView(parent) {}
    ~SListView() override;
    void SetAdapter(SListAdapter* adapter);
    SListAdapter* GetAdapter() const { return m_adapter; }
    void OnDataSetChanged() override;

protected:
    void OnRowCreated(SWindow* row) override;
    SListAdapter* m_adapter = nullptr;
};

// A multi-column list: a header (<header itemHeight="30"><item width="120">
// Name</item>...</header>) over rows whose column controls (named by the
// adapter's GetColumnName) are placed under their header items.
class SMCListView : public SListView {
    Q_OBJECT
    VY_WIDGET_CLASS(SMCListView, SListView, "mclistview")
public:
    explicit SMCListView(QWidget* parent = nullptr) : SListView(parent) {}
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    int ColumnWidth(int column) const;
    std::string ColumnTitle(int column) const;
    void OnDataSetChanged() override;

protected:
    void OnInitFinished(const pugi::xml_node& node) override;
    QRect ViewRect() const override { return ClientRect().adjusted(0, m_headerHeight, 0, 0); }
    void DrawContent(QPainter& painter) override;

private:
    void PlaceColumns(SWindow* row);
    struct Column {
        std::string title;
        int width;
    };
    std::vector<Column> m_columns;
    int m_headerHeight = 0;
};

// A tree: the visible items of an STreeAdapter (children of expanded items),
// indented by "indent" pixels per level.
class STreeView : public SItemView {
    Q_OBJECT
    VY_WIDGET_CLASS(STreeView, SItemView, "treeview")
public:
    explicit STreeView(QWidget* parent = nullptr);
    ~STreeView() override;
    void SetAdapter(STreeAdapter* adapter);
    STreeAdapter* GetAdapter() const { return m_adapter; }
    void OnDataSetChanged() override;
    // Depth of the item shown in row `index` (0: a child of the root).
    int RowDepth(int index) const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnRowCreated(SWindow* row) override;
    int RowIndent(int index) const override;

private:
    STreeAdapter* m_adapter = nullptr;
    std::vector<int> m_depths;
    int m_indent = 16;
};

}  // namespace vy
