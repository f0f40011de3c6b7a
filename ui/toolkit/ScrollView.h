#pragma once

#include "ui/toolkit/Window.h"

class QScrollBar;

namespace vy {

class SScrollView;

// The scrolled content of a scroll view: where its XML children live.
class CScrollContent : public SWindow {
    Q_OBJECT
public:
    CScrollContent(SScrollView* owner, QWidget* parent);
    // The content's own absolute layout (no grid).
    void LayoutOwnChildren() { SWindow::LayoutChildren(); }

protected:
    void LayoutChildren() override;

private:
    SScrollView* m_owner;
};

// A scroll view. Its children scroll vertically (wheel or scroll bar). With
// "rowCount" (and/or "columnCount") they are laid out in a grid of equal
// cells, row after row: the column count is "columnCount", or the number of
// children divided by "rowCount", rounded up. "interval" is the gap ("x,y"
// or one value). Without a grid the children are placed by their own "pos"
// in a content area of "viewSize" (default: the view's size).
class SScrollView : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SScrollView, SWindow, "scrollview")
public:
    explicit SScrollView(QWidget* parent = nullptr);

    SWindow* ChildContainer() override { return m_content; }
    SWindow* Content() const { return m_content; }
    // Grid shape of the last layout (0 without a grid).
    int GridColumns() const { return m_gridColumns; }
    int GridRows() const { return m_gridRows; }
    int ScrollPos() const;
    void SetScrollPos(int pos);
    QSize ContentSizeNow() const { return m_contentSize; }
    // Lays the content out again (after children were added or removed).
    void Relayout();

protected:
    friend class CScrollContent;
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void LayoutChildren() override;
    void wheelEvent(QWheelEvent* event) override;
    // Places the content's children; returns the content size.
    virtual QSize LayoutContent(const QSize& viewSize);
    // The part of the control the content scrolls in.
    virtual QRect ViewRect() const { return ClientRect(); }

    CScrollContent* m_content;
    QScrollBar* m_scrollBar;
    // Set by LayoutContent when the children place themselves by "pos".
    bool m_absoluteContent = false;

private:
    void UpdateScroll();

    int m_rowCount = 0;
    int m_columnCount = 0;
    int m_intervalX = 0;
    int m_intervalY = 0;
    QSize m_viewSize;
    QSize m_contentSize;
    int m_gridColumns = 0;
    int m_gridRows = 0;
    bool m_inLayout = false;
};

}  // namespace vy
