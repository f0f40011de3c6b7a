#pragma once

#include "ui/toolkit/Window.h"

namespace vy {

// A text label ("text", also "static"). Labels raise no command when clicked.
class SStatic : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SStatic, SWindow, "text")
public:
    explicit SStatic(QWidget* parent = nullptr);
};

// A caption strip: dragging it moves its window.
class SCaption : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SCaption, SWindow, "caption")
public:
    explicit SCaption(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint m_grab;
    bool m_dragging = false;
};

// An image: the skin at "iconIndex" over the whole control.
class SImageWnd : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SImageWnd, SWindow, "img")
public:
    explicit SImageWnd(QWidget* parent = nullptr);
    int IconIndex() const { return m_iconIndex; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void DrawBackground(QPainter& painter) override;

    int m_iconIndex = 0;
};

}  // namespace vy
