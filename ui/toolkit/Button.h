#pragma once

#include "ui/toolkit/Window.h"

namespace vy {

// A push button: skin by state (normal, hover, pushed, disabled), command
// on click. Without a skin it draws a plain rounded button.
class SButton : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SButton, SWindow, "button")
public:
    explicit SButton(QWidget* parent = nullptr);

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void DrawBackground(QPainter& painter) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize ContentSize() const override;

    QColor m_colorFace[4];
};

class SImageButton : public SButton {
    Q_OBJECT
    VY_WIDGET_CLASS(SImageButton, SButton, "imgbtn")
public:
    explicit SImageButton(QWidget* parent = nullptr) : SButton(parent) {}
};

// Skin state of a two-state control: 8-state skins hold unchecked then
// checked (normal, hover, pushed, disabled); 4-state skins unchecked/checked
// by (normal, hover); 2-state skins unchecked, checked.
int CheckSkinState(int states, bool checked, int baseState);

// A check box: a click toggles the check state, then raises the command.
class SCheckBox : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SCheckBox, SWindow, "check")
public:
    explicit SCheckBox(QWidget* parent = nullptr);

protected:
    void OnClick() override;
    int SkinState() const override;
    void DrawBackground(QPainter& painter) override;
    void DrawContent(QPainter& painter) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize ContentSize() const override;
    // Draws the box and tick when the control has no skin.
    void DrawDefaultBox(QPainter& painter, bool round);
    bool m_skinOwnsBox = false;
};

// An option button: a click checks it and clears the other option buttons
// of its parent (of the same "group" attribute), then raises the command.
class SRadioBox : public SCheckBox {
    Q_OBJECT
    VY_WIDGET_CLASS(SRadioBox, SCheckBox, "radio")
public:
    explicit SRadioBox(QWidget* parent = nullptr);
    // Checks this button and clears its group.
    void CheckInGroup();

protected:
    void OnClick() override;
    void OnStateChanged(bool oldChecked, bool newChecked) override;
    void DrawContent(QPainter& painter) override;
};

}  // namespace vy
