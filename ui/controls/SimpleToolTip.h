#pragma once

#include <QString>
#include <QWidget>

namespace vy {

// The small value tooltip the sliders show: one plain topmost popup for the
// whole process, never activated, shared by reference count (made by the
// first slider that shows it, gone with the last that releases it).
class SSimpleToolTip : public QWidget {
    Q_OBJECT
public:
    static SSimpleToolTip* Acquire();
    static void Release();
    // The live tooltip, or null.
    static SSimpleToolTip* Instance();
    static int References();

    // Shows `text` with its top-left at a screen point, kept inside the
    // screen's work area; an empty text hides the window.
    void ShowText(const QString& text, const QPoint& screenPoint);
    void HideTip();
    const QString& Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SSimpleToolTip();
    QString m_text;
};

}  // namespace vy
