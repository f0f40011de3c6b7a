#pragma once

#include "ui/toolkit/Edit.h"

namespace vy {

// An edit box that turns Enter, Up, Down and the wheel into step requests
// (EventEditValueChanging with 0, +1, -1), selects all on double click and
// draws "focusSkin" while focused.
class SEdit2 : public SEdit {
    Q_OBJECT
    VY_WIDGET_CLASS(SEdit2, SEdit, "edit2")
public:
    explicit SEdit2(QWidget* parent = nullptr) : SEdit(parent) {}

    void OnEditKey(QKeyEvent* event) override;
    void OnEditWheel(QWheelEvent* event) override;
    void OnEditDoubleClick() override;

protected:
    void OnPaint(QPainter& painter) override;

private:
    void RaiseStep(int step);
};

}  // namespace vy
