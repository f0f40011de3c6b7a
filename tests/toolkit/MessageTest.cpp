#include "tests/toolkit/ToolkitFixture.h"
#include "ui/toolkit/HostDialog.h"
#include "ui/toolkit/Menu.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/QtUiLoop.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <atomic>
#include <thread>

namespace vy::test {
namespace {

// A window that records its timers, commands and other messages.
class CRecordingWnd : public SHostWnd {
public:
    using SHostWnd::SHostWnd;
    std::vector<uint32_t> timers;
    std::vector<int> commands;
    std::vector<std::pair<uint32_t, uintptr_t>> messages;

protected:
    void OnTimer(uint32_t id) override { timers.push_back(id); }
    void OnCommand(int id) override { commands.push_back(id); }
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override
    {
        messages.emplace_back(msg, wParam);
        return SHostWnd::HandleMessage(msg, wParam, lParam);
    }
};

int Count(const std::vector<uint32_t>& v, uint32_t x)
{
    return static_cast<int>(std::count(v.begin(), v.end(), x));
}

TEST_F(ToolkitTest, TimersByIdFireAndStop)
{
    auto* wnd = Open<CRecordingWnd>("LAYOUT:XML_DLG");
    ASSERT_NE(wnd, nullptr);
    ASSERT_TRUE(wnd->SetTimer(100, 10));
    ASSERT_TRUE(wnd->SetTimer(105, 15));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Count(wnd->timers, 100) >= 3 && Count(wnd->timers, 105) >= 2; }, 5000));
    EXPECT_TRUE(wnd->KillTimer(100));
    EXPECT_FALSE(wnd->KillTimer(100));
    EXPECT_FALSE(wnd->HasTimer(100));
    int before = Count(wnd->timers, 100);
    int before105 = Count(wnd->timers, 105);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Count(wnd->timers, 105) >= before105 + 3; }, 5000));
    EXPECT_EQ(Count(wnd->timers, 100), before);
    // Re-setting a timer restarts it rather than adding a second one.
    wnd->SetTimer(105, 15);
    wnd->SetTimer(105, 15);
    EXPECT_TRUE(wnd->KillTimer(105));
    EXPECT_FALSE(wnd->HasTimer(105));
}

// Consumes hotkeys and counts what it saw.
class CHotkeyFilter : public IMessageFilter {
public:
    bool PreTranslateMessage(SHostWnd*, uint32_t msg, uintptr_t wParam, intptr_t) override
    {
        if (msg != WM_HOTKEY)
            return false;
        hotkeys.push_back(static_cast<int>(wParam));
        return true;
    }
    std::vector<int> hotkeys;
};

class CNoticeHandler : public IHostMessageHandler {
public:
    bool OnHostMessage(SHostWnd*, uint32_t msg, uintptr_t wParam, intptr_t, intptr_t& result) override
    {
        if (msg != WMU_APP_NOTIFY || wParam != 2)
            return false;
        ++heartbeatLost;
        result = 77;
        return true;
    }
    int heartbeatLost = 0;
};

TEST_F(ToolkitTest, PostedMessagesFromOtherThreadsPassFiltersAndHandlers)
{
    auto* wnd = Open<CRecordingWnd>("LAYOUT:XML_DLG");
    ASSERT_NE(wnd, nullptr);
    CHotkeyFilter filter;
    CNoticeHandler handler;
    m_app->AddMessageFilter(&filter);
    wnd->AddMessageHandler(&handler);
    std::thread worker([wnd] {
        for (int i = 0; i < 50; ++i)
            wnd->PostMessage(WMU_APP_NOTIFY, 7, i);
        wnd->PostMessage(WM_HOTKEY, 7010, 0);
        wnd->PostMessage(WMU_APP_NOTIFY, 2, 0);
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return handler.heartbeatLost == 1; }, 5000));
    EXPECT_EQ(filter.hotkeys, std::vector<int>{7010});
    int notices = 0;
    for (const auto& [msg, w] : wnd->messages) {
        EXPECT_NE(msg, WM_HOTKEY);  // consumed by the filter
        notices += msg == WMU_APP_NOTIFY && w == 7;
    }
    EXPECT_EQ(notices, 50);
    EXPECT_EQ(wnd->SendMessage(WMU_APP_NOTIFY, 2, 0), 77);
    m_app->RemoveMessageFilter(&filter);
    wnd->RemoveMessageHandler(&handler);
    wnd->SendMessage(WM_HOTKEY, 1, 0);
    EXPECT_EQ(wnd->messages.back().first, WM_HOTKEY);
}

// Counts its messages in a counter that outlives it.
class CCountingWnd : public SHostWnd {
public:
    CCountingWnd(const std::string& layout, int* counter) : SHostWnd(layout), m_counter(counter) {}

protected:
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override
    {
        ++*m_counter;
        return SHostWnd::HandleMessage(msg, wParam, lParam);
    }

private:
    int* m_counter;
};

TEST_F(ToolkitTest, MessagesToADestroyedWindowAreDropped)
{
    int received = 0;
    auto wnd = std::make_unique<CCountingWnd>("LAYOUT:XML_DLG", &received);
    ASSERT_TRUE(wnd->Create());
    wnd->PostMessage(WMU_APP_NOTIFY, 5, 0);
    wnd->SetTimer(100, 1);
    wnd.reset();
    QTest::qWait(20);
    EXPECT_EQ(received, 0);
}

TEST_F(ToolkitTest, CloseRequestBecomesWmCloseAndDestroys)
{
    auto* wnd = Open<CRecordingWnd>("LAYOUT:XML_DLG");
    ASSERT_NE(wnd, nullptr);
    wnd->close();
    ASSERT_GE(wnd->messages.size(), 2u);
    EXPECT_EQ(wnd->messages[wnd->messages.size() - 2].first, WM_CLOSE);
    EXPECT_EQ(wnd->messages.back().first, WM_DESTROY);
    EXPECT_TRUE(wnd->IsDestroyed());
    EXPECT_FALSE(wnd->isVisible());
}

// Runs `action` once the modal window of type T is up.
template <class T>
void WhenModalShows(std::function<void(T*)> action)
{
    // The pending timer holds the poll; the poll holds only a weak link to
    // itself, so nothing is left once the window was found.
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [action, self] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = dynamic_cast<T*>(w); t && t->isVisible()) {
                action(t);
                return;
            }
        }
        if (auto again = self.lock())
            QTimer::singleShot(5, [again] { (*again)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

TEST_F(ToolkitTest, ModalDialogEndsWithTheButtonsCode)
{
    struct Case {
        const char* button;
        int expected;
    } cases[] = {{"btnOK", IDOK}, {"btnCancel", IDCANCEL}};
    for (const Case& c : cases) {
        SHostDialog dlg("LAYOUT:XML_DLG");
        std::string button = c.button;
        WhenModalShows<SHostDialog>([button](SHostDialog* d) { Click(d->FindChildByName(button)); });
        EXPECT_EQ(dlg.DoModal(), c.expected) << c.button;
    }
    SHostDialog closed("LAYOUT:XML_DLG");
    WhenModalShows<SHostDialog>([](SHostDialog* d) { d->close(); });
    EXPECT_EQ(closed.DoModal(), IDCANCEL);
    SHostDialog missing("LAYOUT:XML_NOT_THERE");
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(ToolkitTest, MessageBoxShowsTextAndTitleAndAnswers)
{
    ASSERT_TRUE(m_app->SetMessageBoxTemplate("LAYOUT:XML_MSGBOX"));
    struct Case {
        unsigned type;
        const char* caption;
        int click;
        int expected;
        std::vector<int> shown;
        std::vector<int> hidden;
    } cases[] = {
        {MB_OK, "提示", IDOK, IDOK, {IDOK}, {IDYES, IDNO}},
        {MB_YESNO | MB_ICONQUESTION, "提示", IDNO, IDNO, {IDYES, IDNO}, {IDOK}},
        {MB_OKCANCEL | MB_ICONERROR, "错误", IDOK, IDOK, {IDOK}, {IDYES}},
    };
    for (const Case& c : cases) {
        std::string title, text;
        std::vector<int> shown, hidden;
        WhenModalShows<SMessageBoxImpl>([&](SMessageBoxImpl* box) {
            title = box->FindChildByName("msgtitle")->GetWindowText();
            text = box->FindChildByName("msgtext")->GetWindowText();
            for (int id : {IDOK, IDYES, IDNO}) {
                SWindow* b = box->FindChildByID(id);
                (b && b->IsVisibleSelf() ? shown : hidden).push_back(id);
            }
            Click(box->FindChildByID(c.click));
        });
        int answer = SMessageBox(nullptr, "当前音效参数已改变，是否保存？", c.caption, c.type);
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(title, c.caption);
        EXPECT_EQ(text, "当前音效参数已改变，是否保存？");
        for (int id : c.shown)
            EXPECT_NE(std::find(shown.begin(), shown.end(), id), shown.end()) << id;
        for (int id : c.hidden)
            EXPECT_NE(std::find(hidden.begin(), hidden.end(), id), hidden.end()) << id;
    }
}

TEST_F(ToolkitTest, MenuItemsAreTranslatedCheckedAndBecomeCommands)
{
    auto* owner = Open<CRecordingWnd>("LAYOUT:XML_DLG");
    ASSERT_NE(owner, nullptr);
    SMenu menu;
    ASSERT_TRUE(menu.LoadMenu("SMENU:menu_test"));
    EXPECT_EQ(menu.ItemText(7), "显示窗口");
    EXPECT_EQ(menu.ItemText(10), "退出");
    EXPECT_EQ(menu.ItemText(20), "中文");  // in a sub-menu
    EXPECT_TRUE(menu.IsItemChecked(8));
    EXPECT_TRUE(menu.CheckMenuItem(8, false));
    EXPECT_FALSE(menu.IsItemChecked(8));
    EXPECT_FALSE(menu.CheckMenuItem(99, true));

    struct Case {
        int pick;
        unsigned flags;
        int expectedCommands;
    } cases[] = {{10, 0, 1}, {7, TPM_RETURNCMD, 0}};
    for (const Case& c : cases) {
        owner->commands.clear();
        QTimer::singleShot(20, [&] {
            QWidget* popup = QApplication::activePopupWidget();
            ASSERT_NE(popup, nullptr);
            auto* qmenu = qobject_cast<QMenu*>(popup);
            for (QAction* a : qmenu->actions())
                if (a->data().toInt() == c.pick)
                    qmenu->setActiveAction(a);
            QTest::keyClick(popup, Qt::Key_Return);
        });
        EXPECT_EQ(menu.TrackPopupMenu(c.flags, 100, 100, owner), c.pick);
        EXPECT_EQ(static_cast<int>(owner->commands.size()), c.expectedCommands);
        if (c.expectedCommands) {
            EXPECT_EQ(owner->commands[0], c.pick);
        }
    }
    // Dismissed: no command.
    QTimer::singleShot(20, [] { QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape); });
    owner->commands.clear();
    EXPECT_EQ(menu.TrackPopupMenu(0, 10, 10, owner), 0);
    EXPECT_TRUE(owner->commands.empty());
    SMenu missing;
    EXPECT_FALSE(missing.LoadMenu("SMENU:no_menu"));
    EXPECT_EQ(missing.TrackPopupMenu(0, 0, 0, owner), 0);
}

TEST(QtUiLoop, PostsRunInOrderFromAnyThreadAndTimersStop)
{
    CQtUiLoop loop;
    EXPECT_TRUE(loop.IsLoopThread());
    std::vector<int> order;
    std::atomic<bool> offThread{true};
    std::thread worker([&] {
        offThread = loop.IsLoopThread();
        for (int i = 0; i < 100; ++i)
            loop.Post([&order, i] { order.push_back(i); });
    });
    worker.join();
    EXPECT_FALSE(offThread.load());
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 100; }, 5000));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[static_cast<size_t>(i)], i);

    int ticks = 0;
    IUiLoop::TimerHandle handle = 0;
    handle = loop.StartTimer(5, [&] {
        if (++ticks == 3)
            loop.StopTimer(handle);  // stopping from inside its own tick
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks == 3; }, 5000));
    QTest::qWait(30);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(loop.TimerCount(), 0u);
    int64_t t0 = loop.NowMs();
    QTest::qWait(15);
    EXPECT_GE(loop.NowMs(), t0 + 10);
}

}  // namespace
}  // namespace vy::test
