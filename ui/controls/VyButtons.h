#pragma once

#include "ui/toolkit/Button.h"

namespace vy {

// Texts, tips and colours that follow a check state ("multitext" with
// "text1"/"text2", "multitip" with "tip1"/"tip2", "multicolor" with
// "colortext1"/"colortext2"). A flag is on for any value but "0".
class CStateLooks {
public:
    // True when the attribute was one of these.
    bool OnAttribute(SWindow& owner, const std::string& name, const std::string& value, const std::string& translated);
    // Applies the looks of a state to the control.
    void Apply(SWindow& owner, bool checked) const;

private:
    bool m_multiTip = false;
    bool m_multiText = false;
    bool m_multiColor = false;
    std::string m_tips[2];
    std::string m_texts[2];
    QColor m_colors[2];
};

// A check button drawn entirely by one skin; "autoCheck" lets a click toggle
// it, otherwise the page decides.
class VyCheckButton : public SCheckBox {
    Q_OBJECT
    VY_WIDGET_CLASS(VyCheckButton, SCheckBox, "vycheckbtn")
public:
    explicit VyCheckButton(QWidget* parent = nullptr);
    bool AutoCheck() const { return m_autoCheck; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnStateChanged(bool oldChecked, bool newChecked) override;
    void OnClick() override;
    void keyPressEvent(QKeyEvent* event) override;
    void DrawContent(QPainter& painter) override;
    QSize ContentSize() const override;

    bool m_autoCheck = false;
    CStateLooks m_looks;
};

// An option button drawn by one skin with an optional icon ("iconSkin" at
// "icon-x", "icon-y"; text offset "text-x", "text-y").
class VyRadioButton : public SRadioBox {
    Q_OBJECT
    VY_WIDGET_CLASS(VyRadioButton, SRadioBox, "vyradiobtn")
public:
    explicit VyRadioButton(QWidget* parent = nullptr);

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void OnStateChanged(bool oldChecked, bool newChecked) override;
    void OnClick() override;
    void focusInEvent(QFocusEvent* event) override;
    void DrawContent(QPainter& painter) override;
    QSize ContentSize() const override;

private:
    bool m_autoCheck = false;
    CStateLooks m_looks;
    std::shared_ptr<ISkin> m_iconSkin;
    QPoint m_icon;
    QPoint m_textOffset;
};

// A push button whose press is the plain window press.
class VyComboBtn : public SButton {
    Q_OBJECT
    VY_WIDGET_CLASS(VyComboBtn, SButton, "vycombobtn")
public:
    explicit VyComboBtn(QWidget* parent = nullptr) : SButton(parent) {}

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void mousePressEvent(QMouseEvent* event) override { SWindow::mousePressEvent(event); }
};

}  // namespace vy
