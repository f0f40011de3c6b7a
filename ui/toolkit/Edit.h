#pragma once

#include "ui/toolkit/Window.h"

#include <QLineEdit>

namespace vy {

class SEdit;

// The line editor inside an edit box; it reports its keys, wheel, double
// clicks and focus changes to the box.
class CEditLine : public QLineEdit {
    Q_OBJECT
public:
    CEditLine(SEdit* owner, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    SEdit* m_owner;
};

// A single-line edit box ("edit"; "richedit" is the same box). Attributes:
// "maxBuf" (text limit, -1 none), "cueText"/"cueColor", "readOnly",
// "password", "number", "colorText", "align".
class SEdit : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SEdit, SWindow, "edit")
public:
    explicit SEdit(QWidget* parent = nullptr);

    void SetWindowText(const std::string& text) override;
    std::string GetWindowText() const override;
    // A limit of -1 (or 0) removes the limit.
    void SetLimitText(int limit);
    int GetLimitText() const;
    void SetSel(int start, int end);  // end -1: to the end
    void FocusInput();
    QLineEdit* LineEdit() const { return m_edit; }
    std::string CueText() const { return m_cueText; }

    // Hooks of the editor: after it handled a key, before its wheel.
    virtual void OnEditKey(QKeyEvent* event);
    virtual void OnEditWheel(QWheelEvent* event);
    virtual void OnEditDoubleClick();
    virtual void OnEditFocus(bool in);

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void resizeEvent(QResizeEvent* event) override;
    void DrawContent(QPainter& painter) override;
    void UpdatePalette();

    CEditLine* m_edit;
    std::string m_cueText;
    QColor m_cueColor{160, 160, 160};
};

class SRichEdit : public SEdit {
    Q_OBJECT
    VY_WIDGET_CLASS(SRichEdit, SEdit, "richedit")
public:
    explicit SRichEdit(QWidget* parent = nullptr) : SEdit(parent) {}
};

}  // namespace vy
