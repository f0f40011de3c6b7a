#include "ui/controls/SimpleToolTip.h"

#include "ui/toolkit/UiApp.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <atomic>

namespace vy {
namespace {

SSimpleToolTip* g_tip = nullptr;
std::atomic<int> g_references{0};

}  // namespace

SSimpleToolTip::SSimpleToolTip() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("simple tooltip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QFont f = CUiApp::Current() ? CUiApp::Current()->DefaultFont() : font();
    QStringList families = f.families();
    families.prepend(QStringLiteral("宋体"));
    f.setFamilies(families);
    f.setPixelSize(12);
    setFont(f);
}

SSimpleToolTip* SSimpleToolTip::Acquire()
{
    if (g_references++ == 0 || !g_tip)
        g_tip = new SSimpleToolTip();
    return g_tip;
}

void SSimpleToolTip::Release()
{
    if (g_references.load() <= 0)
        return;
    if (--g_references == 0) {
        delete g_tip;
        g_tip = nullptr;
    }
}

SSimpleToolTip* SSimpleToolTip::Instance()
{
    return g_tip;
}

int SSimpleToolTip::References()
{
    return g_references.load();
}

void SSimpleToolTip::ShowText(const QString& text, const QPoint& screenPoint)
{
    m_text = text;
    if (text.isEmpty()) {
        hide();
        return;
    }
    QRect bound = QFontMetrics(font()).boundingRect(QRect(0, 0, 500, 1000), Qt::TextWordWrap, text);
    QSize size(bound.width() + 10, bound.height() + 10);
    QRect r(screenPoint, size);
    QScreen* screen = QGuiApplication::screenAt(screenPoint);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect area = screen->availableGeometry();
        if (r.right() > area.right())
            r.moveRight(area.right());
        if (r.bottom() > area.bottom())
            r.moveBottom(area.bottom());
        if (r.left() < area.left())
            r.moveLeft(area.left());
        if (r.top() < area.top())
            r.moveTop(area.top());
    }
    setGeometry(r);
    show();
    raise();
    update();
}

void SSimpleToolTip::HideTip()
{
    m_text.clear();
    hide();
}

void SSimpleToolTip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    p.setPen(palette().color(QPalette::ToolTipText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawText(rect().adjusted(5, 5, -5, -5), Qt::TextWordWrap, m_text);
}

}  // namespace vy
