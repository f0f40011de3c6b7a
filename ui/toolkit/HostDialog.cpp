#include "ui/toolkit/HostDialog.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>

namespace vy {

SHostDialog::SHostDialog(std::string layoutName, QWidget* owner) : SHostWnd(std::move(layoutName), owner) {}

SHostDialog::~SHostDialog()
{
    if (m_loop)
        m_loop->quit();
}

int SHostDialog::DoModal(QWidget* owner)
{
    if (!IsCreated() && !Create())
        return -1;
    m_ended = false;
    m_result = 0;
    QPointer<SHostDialog> alive(this);
    SendMessage(WM_INITDIALOG, 0, 0);
    if (!alive)
        return -1;
    if (m_ended) {
        DestroyWindow();
        return m_result;
    }
    setWindowModality(Qt::ApplicationModal);
    CenterWindow(owner ? owner : parentWidget());
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (!alive)
        return -1;
    m_loop = nullptr;
    DestroyWindow();
    return m_result;
}

void SHostDialog::EndDialog(int code)
{
    m_result = code;
    m_ended = true;
    if (m_loop)
        m_loop->quit();
}

bool SHostDialog::OnUiEvent(CUiEvent& event)
{
    if (event.Id() == EventCmd::kId) {
        if (event.IdFrom() == IDOK) {
            OnOK();
            return true;
        }
        if (event.IdFrom() == IDCANCEL) {
            OnCancel();
            return true;
        }
    }
    return SHostWnd::OnUiEvent(event);
}

void SHostDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        OnCancel();
        return;
    }
    SHostWnd::keyPressEvent(event);
}

}  // namespace vy
