#include "ui/controls/TipWnd.h"

#include "base/Log.h"
#include "ui/toolkit/UiApp.h"

#include <QResizeEvent>

namespace vy {
namespace {

CTipWnd* g_tip = nullptr;

}  // namespace

QPoint TipPlacement(const QPoint& anchor, const QSize& size, int mode, const QPoint& current)
{
    int w = size.width();
    int h = size.height();
    switch (mode) {
    case 0:
        return anchor;
    case 1:
        return {anchor.x(), anchor.y() - h};
    case 2:
        return {anchor.x() - w, anchor.y()};
    case 3:
        return {anchor.x() - w, anchor.y() - h};
    case 4:
        return {anchor.x() - w / 2, anchor.y()};
    default:
        return current;
    }
}

CTipWnd::CTipWnd() : SHostWnd(CUiApp::Instance().TipLayout())
{
    SetAutoDelete(true);
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CTipWnd::~CTipWnd()
{
    if (g_tip == this)
        g_tip = nullptr;
}

CTipWnd* CTipWnd::Current()
{
    return g_tip;
}

std::string CTipWnd::TipText() const
{
    SWindow* text = FindChildByName("txt_tip");
    return text ? text->GetWindowText() : std::string();
}

bool CTipWnd::IconShown() const
{
    SWindow* icon = FindChildByName("img_warning_tip");
    return icon && icon->IsVisibleSelf();
}

void CTipWnd::SetAnchor(const QPoint& anchor, int mode)
{
    m_anchor = anchor;
    m_mode = mode;
}

void CTipWnd::Place()
{
    move(TipPlacement(m_anchor, size(), m_mode, pos()));
}

void CTipWnd::resizeEvent(QResizeEvent* event)
{
    SHostWnd::resizeEvent(event);
    Place();
}

void CTipWnd::OnTimer(uint32_t id)
{
    if (id != kTimerHide)
        return;
    KillTimer(kTimerHide);
    if (g_tip == this)
        g_tip = nullptr;
    DestroyWindow();
}

int ShowTip(const std::string& text, int x, int centreY, int mode, int durationMs, bool showIcon)
{
    CTipWnd* tip = g_tip;
    if (tip) {
        tip->KillTimer(CTipWnd::kTimerHide);
        tip->hide();
    } else {
        tip = new CTipWnd();
        if (!tip->Create()) {
            VY_LOG("tip window layout %s missing", CUiApp::Instance().TipLayout().c_str());
            tip->deleteLater();
            return 0;
        }
        g_tip = tip;
        CUiApp::Instance().SetShutdownHook("tip window", [] { delete g_tip; });
    }
    int h = tip->height();
    tip->SetAnchor(QPoint(x, centreY - h / 2), mode);
    if (SWindow* icon = tip->FindChildByName("img_warning_tip"))
        icon->SetVisible(showIcon);
    if (SWindow* label = tip->FindChildByName("txt_tip"))
        label->SetWindowText(text);
    tip->RequestRelayout();
    tip->resize(tip->sizeHint());  // sized to the text; placed from the anchor
    tip->move(TipPlacement(tip->Anchor(), tip->size(), mode, tip->pos()));
    tip->show();
    tip->raise();
    tip->SetTimer(CTipWnd::kTimerHide, static_cast<uint32_t>(durationMs > 0 ? durationMs : 0));
    return 1;
}

int ShowTipOnWindow(const std::string& text, QWidget* window, bool showIcon, int durationMs)
{
    if (text.empty() || !window)
        return 0;
    QWidget* host = window->window();
    QPoint point = host->mapToGlobal(QPoint(window->width() / 2, window->height() / 2));
    return ShowTip(text, point.x(), point.y(), 4, durationMs, showIcon);
}

}  // namespace vy
