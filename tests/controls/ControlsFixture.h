#pragma once

#include "ui/controls/CustomControls.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/UiApp.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

namespace vy::test {

// A toolkit application with the custom controls registered, and windows
// built from layout text.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app = std::make_unique<CUiApp>(LoopForTest());
        RegisterCustomControls(*m_app);
    }
    void TearDown() override
    {
        m_windows.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_app.reset();
    }
    virtual IUiLoop* LoopForTest() { return nullptr; }

    SHostWnd* Build(const std::string& layout)
    {
        pugi::xml_document doc;
        if (!doc.load_string(layout.c_str()))
            return nullptr;
        auto wnd = std::make_unique<SHostWnd>();
        if (!wnd->CreateFromXml(doc.document_element()))
            return nullptr;
        wnd->show();
        m_windows.push_back(std::move(wnd));
        return m_windows.back().get();
    }
    template <class T>
    T* Control(SHostWnd* wnd, const std::string& name)
    {
        return wnd ? wnd->FindChildByName2<T>(name) : nullptr;
    }

    // Synthetic mouse input at widget-local points (may lie outside it).
    static void Press(QWidget* w, QPoint p)
    {
        QMouseEvent e(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    static void Move(QWidget* w, QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    static void Hover(QWidget* w, QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    static void Release(QWidget* w, QPoint p)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    static void ClickAt(QWidget* w, QPoint p)
    {
        Press(w, p);
        Release(w, p);
    }
    static void Wheel(QWidget* w, int delta)
    {
        QPointF p(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent e(p, w->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &e);
    }

    std::unique_ptr<CUiApp> m_app;
    std::vector<std::unique_ptr<SHostWnd>> m_windows;
};

// Records the events of one kind a control raises.
template <class E>
struct EventLog {
    EventLog(SWindow* w)
    {
        w->SubscribeEvent(E::kId, [this](CUiEvent& e) {
            events.push_back(static_cast<E&>(e));
            return true;
        });
    }
    std::vector<E> events;
};

}  // namespace vy::test
