#include "ui/toolkit/ScrollView.h"

#include "ui/toolkit/AttrParse.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace vy {

CScrollContent::CScrollContent(SScrollView* owner, QWidget* parent) : SWindow(parent), m_owner(owner)
{
    m_commandOnClick = false;
}

void CScrollContent::LayoutChildren()
{
    if (m_owner)
        m_owner->Relayout();
}

SScrollView::SScrollView(QWidget* parent)
    : SWindow(parent), m_content(new CScrollContent(this, this)), m_scrollBar(new QScrollBar(Qt::Vertical, this))
{
    m_commandOnClick = false;
    m_scrollBar->hide();
    QObject::connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int) { UpdateScroll(); });
}

bool SScrollView::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "rowcount" || name == "columncount") {
        (name == "rowcount" ? m_rowCount : m_columnCount) = std::max(0, ParseInt(value));
        if (!loading)
            Relayout();
        return true;
    }
    if (name == "interval") {
        auto v = ParseIntList(value);
        m_intervalX = v.empty() ? 0 : v[0];
        m_intervalY = v.size() > 1 ? v[1] : m_intervalX;
        if (!loading)
            Relayout();
        return true;
    }
    if (name == "viewsize") {
        auto v = ParseIntList(value);
        m_viewSize = v.size() >= 2 ? QSize(std::max(0, v[0]), std::max(0, v[1])) : QSize();
        if (!loading)
            Relayout();
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

void SScrollView::LayoutChildren()
{
    Relayout();
}

void SScrollView::Relayout()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    QRect view = ViewRect();
    m_absoluteContent = false;
    m_contentSize = LayoutContent(view.size());
    bool needBar = m_contentSize.height() > view.height();
    int barWidth = needBar ? m_scrollBar->sizeHint().width() : 0;
    if (needBar) {
        m_scrollBar->setGeometry(view.right() + 1 - barWidth, view.top(), barWidth, view.height());
        m_scrollBar->setRange(0, m_contentSize.height() - view.height());
        m_scrollBar->setPageStep(view.height());
        m_scrollBar->setSingleStep(20);
        m_scrollBar->show();
        m_scrollBar->raise();
    } else {
        m_scrollBar->setValue(0);
        m_scrollBar->hide();
    }
    UpdateScroll();
    if (m_absoluteContent)
        m_content->LayoutOwnChildren();
    m_inLayout = false;
}

void SScrollView::UpdateScroll()
{
    QRect view = ViewRect();
    int width = std::max(m_contentSize.width(), view.width());
    m_content->setGeometry(view.left(), view.top() - m_scrollBar->value(), width, std::max(m_contentSize.height(), view.height()));
}

QSize SScrollView::LayoutContent(const QSize& viewSize)
{
    std::vector<SWindow*> items;
    for (SWindow* child : m_content->ChildWindows())
        if (!child->isHidden())
            items.push_back(child);
    m_gridColumns = 0;
    m_gridRows = 0;
    if (m_rowCount <= 0 && m_columnCount <= 0) {
        m_absoluteContent = true;
        return m_viewSize.isEmpty() ? viewSize : m_viewSize;
    }
    int n = static_cast<int>(items.size());
    int columns = m_columnCount > 0 ? m_columnCount : (n + m_rowCount - 1) / m_rowCount;
    if (columns <= 0)
        columns = 1;
    int rows = std::max(m_rowCount, (n + columns - 1) / columns);
    QSize cell(0, 0);
    for (SWindow* item : items)
        cell = cell.expandedTo(item->sizeHint());
    QMargins pad = m_content->Padding();
    for (int i = 0; i < n; ++i) {
        int row = i / columns;
        int col = i % columns;
        items[static_cast<size_t>(i)]->setGeometry(pad.left() + col * (cell.width() + m_intervalX),
                                                   pad.top() + row * (cell.height() + m_intervalY), cell.width(),
                                                   cell.height());
    }
    m_gridColumns = columns;
    m_gridRows = rows;
    int w = pad.left() + pad.right() + columns * cell.width() + std::max(0, columns - 1) * m_intervalX;
    int h = pad.top() + pad.bottom() + rows * cell.height() + std::max(0, rows - 1) * m_intervalY;
    return {w, h};
}

int SScrollView::ScrollPos() const
{
    return m_scrollBar->value();
}

void SScrollView::SetScrollPos(int pos)
{
    m_scrollBar->setValue(pos);
}

void SScrollView::wheelEvent(QWheelEvent* event)
{
    if (m_scrollBar->isVisible()) {
        m_scrollBar->setValue(m_scrollBar->value() - event->angleDelta().y() / 120 * 40);
        event->accept();
        return;
    }
    SWindow::wheelEvent(event);
}

}  // namespace vy
