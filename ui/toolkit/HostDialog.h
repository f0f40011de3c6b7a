#pragma once

#include "ui/toolkit/HostWnd.h"

class QEventLoop;

namespace vy {

// A modal dialog: DoModal builds it (if needed), sends WM_INITDIALOG, shows
// it application-modal and runs a nested loop until EndDialog. The command
// of a control with id 1 (IDOK) runs OnOK, id 2 (IDCANCEL) OnCancel; closing
// the window is a cancel.
class SHostDialog : public SHostWnd {
    Q_OBJECT
    VY_WIDGET_CLASS(SHostDialog, SHostWnd, "hostdialog")
public:
    explicit SHostDialog(std::string layoutName = {}, QWidget* owner = nullptr);
    ~SHostDialog() override;

    // The code given to EndDialog; -1 when the layout could not be built.
    int DoModal(QWidget* owner = nullptr);
    void EndDialog(int code);
    bool IsModalRunning() const { return m_loop != nullptr; }
    int Result() const { return m_result; }

protected:
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    bool OnUiEvent(CUiEvent& event) override;
    void OnClose() override { OnCancel(); }
    void keyPressEvent(QKeyEvent* event) override;

private:
    QEventLoop* m_loop = nullptr;
    int m_result = 0;
    bool m_ended = false;
};

}  // namespace vy
