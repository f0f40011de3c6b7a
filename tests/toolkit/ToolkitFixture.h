#pragma once

#include "tests/support/TempDir.h"
#include "model/FolderResourceProvider.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/UiApp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace vy::test {

// A toolkit application over the fixture folder tests/data/ui (searched
// before the executable's own resources), with its UI definition and
// translations loaded.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app = std::make_unique<CUiApp>();
        m_app->AddResourceProvider(m_fixtures);
        ASSERT_TRUE(m_app->LoadUiDef("uidef:xml_init"));
        ASSERT_TRUE(m_app->LoadTranslator("translator:lang_cn"));
    }
    void TearDown() override
    {
        m_windows.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_app.reset();
    }
    // A shown host window built from a layout, destroyed with the test.
    template <class T = SHostWnd>
    T* Open(const std::string& layout)
    {
        auto wnd = std::make_unique<T>(layout);
        if (!wnd->Create())
            return nullptr;
        wnd->show();
        T* raw = wnd.get();
        m_windows.push_back(std::move(wnd));
        return raw;
    }
    static void Click(QWidget* w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    CFolderResourceProvider m_fixtures{SourceDir() + "/tests/data/ui"};
    std::unique_ptr<CUiApp> m_app;
    std::vector<std::unique_ptr<SHostWnd>> m_windows;
};

}  // namespace vy::test
