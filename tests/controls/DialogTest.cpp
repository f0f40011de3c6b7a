#include "base/HotkeyRegistrar.h"
#include "base/HotkeyText.h"
#include "tests/controls/ControlsFixture.h"
#include "tests/support/FakeUiLoop.h"
#include "ui/controls/HotKeyCtrl.h"
#include "ui/controls/InputDialogs.h"
#include "ui/controls/KeyMapping.h"
#include "ui/controls/TipWnd.h"
#include "ui/toolkit/Edit.h"
#include "ui/toolkit/Skin.h"

#include <QApplication>
#include <QTimer>

namespace vy::test {
namespace {

TEST(InputChecks, RefusalsAndTrimming)
{
    struct Case {
        const char* text;
        bool allowEmpty;
        int maxLength;
        const char* forbidden;
        std::optional<std::string> refusal;
        const char* result;
    } cases[] = {
        {"   ", false, -1, "", "输入文本不能为空！", ""},
        {"\t\r\n", false, -1, "", "输入文本不能为空！", ""},
        {"  空灵 \n", false, -1, "", std::nullopt, "空灵"},
        {"abcdefghijklmnopqrst", false, -1, "", std::nullopt, "abcdefghijklmnopqrst"},
        {"一二三四五六七", false, 6, "", "输入的字符个数大于6！", ""},
        {"一二三四五六", false, 6, "", std::nullopt, "一二三四五六"},
        {"a/b", false, -1, "\\/:*?", "不能包含字符“\\/:*?”", ""},
        {"", true, -1, "", std::nullopt, ""},
        {" x ", true, -1, "", std::nullopt, " x "},
    };
    for (const Case& c : cases) {
        std::string result = "unchanged";
        auto refusal = CheckInputText(c.text, c.allowEmpty, c.maxLength, c.forbidden, result);
        EXPECT_EQ(refusal, c.refusal) << c.text;
        if (!c.refusal) {
            EXPECT_EQ(result, c.result) << c.text;
        }
    }
}

// Runs `action` once a visible top-level window of type T is up.
template <class T>
void WhenShown(std::function<void(T*)> action)
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

TEST_F(ControlsTest, InputDialogRefusesAndStaysOpenThenAccepts)
{
    SDlgInput dlg;
    dlg.m_maxLength = 6;  // typing stops at 6; the check still guards
    dlg.m_forbidden = "\\/:*?";
    dlg.m_text = "旧名字";
    std::vector<std::string> steps;
    WhenShown<SDlgInput>([&](SDlgInput* d) {
        auto* input = d->FindChildByName2<SEdit>("txt_input");
        steps.push_back(d->FindChildByName("txt_title")->GetWindowText());
        steps.push_back(input->GetWindowText());
        input->SetWindowText("a/b");
        ClickAt(d->FindChildByName("btnOK"), QPoint(5, 5));
        steps.push_back(d->LastRefusal());
        steps.push_back(d->IsModalRunning() ? "open" : "closed");
        steps.push_back(CTipWnd::Current() ? CTipWnd::Current()->TipText() : "no tip");
        steps.push_back(d->focusWidget() == input->LineEdit() ? "focus" : "no focus");
        input->SetWindowText(" 新名字 ");
        ClickAt(d->FindChildByName("btnOK"), QPoint(5, 5));
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_text, "新名字");
    EXPECT_EQ(steps, (std::vector<std::string>{"修改音效名称", "旧名字", "不能包含字符“\\/:*?”", "open",
                                                "不能包含字符“\\/:*?”", "focus"}));
}

TEST_F(ControlsTest, InputDialogDefaultsLiftTheLayoutLimitAndCancel)
{
    SDlgInput dlg;
    dlg.m_title = "";
    std::string title;
    int limit = 0;
    WhenShown<SDlgInput>([&](SDlgInput* d) {
        title = d->FindChildByName("txt_title")->GetWindowText();
        auto* input = d->FindChildByName2<SEdit>("txt_input");
        limit = input->GetLimitText();
        QTest::keyClicks(input->LineEdit(), "abcdefghijklmnopqrst");
        ClickAt(d->FindChildByName("btnOK"), QPoint(5, 5));
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(title, "Input");
    EXPECT_EQ(limit, -1);
    EXPECT_EQ(dlg.m_text, "abcdefghijklmnopqrst");

    for (const char* button : {"btnCancel", "btn_close"}) {
        SDlgInput cancelled;
        std::string name = button;
        WhenShown<SDlgInput>([name](SDlgInput* d) { ClickAt(d->FindChildByName(name), QPoint(5, 5)); });
        EXPECT_EQ(cancelled.DoModal(), IDCANCEL) << button;
    }
}

TEST(KeyMapping, QtKeysToVirtualKeys)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<uint32_t> vk;
    } cases[] = {
        {Qt::Key_A, Qt::NoModifier, 0x41},           {Qt::Key_Z, Qt::ShiftModifier, 0x5A},
        {Qt::Key_1, Qt::NoModifier, 0x31},           {Qt::Key_1, Qt::KeypadModifier, 0x61},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 0x6A}, {Qt::Key_Asterisk, Qt::NoModifier, 0x38},
        {Qt::Key_F5, Qt::NoModifier, 0x74},          {Qt::Key_F24, Qt::NoModifier, 0x87},
        {Qt::Key_Space, Qt::NoModifier, 0x20},       {Qt::Key_PageUp, Qt::NoModifier, 0x21},
        {Qt::Key_Semicolon, Qt::NoModifier, 0xBA},   {Qt::Key_Colon, Qt::ShiftModifier, 0xBA},
        {Qt::Key_Control, Qt::ControlModifier, std::nullopt}, {Qt::Key_unknown, Qt::NoModifier, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromQt(c.key, c.modifiers), c.vk) << c.key;
    EXPECT_EQ(HotkeyModifiersFromQt(Qt::ControlModifier | Qt::AltModifier), kHotkeyCtrl | kHotkeyAlt);
    EXPECT_EQ(HotkeyModifiersFromQt(Qt::ShiftModifier | Qt::KeypadModifier), kHotkeyShift);
}

TEST_F(ControlsTest, HotkeyDialogRecordsACombinationOrNothing)
{
    SInputHotKeyDlg dlg("LAYOUT:XML_HOTKEYDLG", MakeHotkey(kHotkeyShift, 0x74), "");
    std::string initial;
    WhenShown<SInputHotKeyDlg>([&](SInputHotKeyDlg* d) {
        auto* control = d->FindChildByName2<SHotKeyCtrl>("txt_hotkey_input");
        initial = control->HotKeyText();
        QTest::keyClick(control, Qt::Key_Control, Qt::ControlModifier);  // a modifier alone records nothing
        QTest::keyClick(control, Qt::Key_1, Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier);
        ClickAt(d->FindChildByName("btnOK"), QPoint(5, 5));
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(initial, "Shift+F5");
    EXPECT_EQ(dlg.Hotkey(), MakeHotkey(kHotkeyCtrl | kHotkeyAlt, 0x61));
    EXPECT_EQ(dlg.HotkeyText(), "Ctrl+Alt+Num 1");

    SInputHotKeyDlg empty("LAYOUT:XML_HOTKEYDLG", 0, "设置热键");
    WhenShown<SInputHotKeyDlg>([](SInputHotKeyDlg* d) { ClickAt(d->FindChildByName("btnOK"), QPoint(5, 5)); });
    EXPECT_EQ(empty.DoModal(), IDOK);
    EXPECT_EQ(empty.Hotkey(), 0u);
    EXPECT_EQ(empty.HotkeyText(), "");

    SInputHotKeyDlg cleared("LAYOUT:XML_HOTKEYDLG", MakeHotkey(kHotkeyCtrl, 0x41), "");
    WhenShown<SInputHotKeyDlg>([](SInputHotKeyDlg* d) {
        QTest::keyClick(d->FindChildByName("txt_hotkey_input"), Qt::Key_Backspace);
        ClickAt(d->FindChildByName("btnCancel"), QPoint(5, 5));
    });
    EXPECT_EQ(cleared.DoModal(), IDCANCEL);
    EXPECT_EQ(cleared.Hotkey(), MakeHotkey(kHotkeyCtrl, 0x41));  // cancel keeps the old value
}

TEST(TipPlacement, ModesPlaceTheWindowAroundTheAnchor)
{
    QPoint anchor(500, 300);
    QSize size(200, 60);
    QPoint current(1, 2);
    struct Case {
        int mode;
        QPoint expected;
    } cases[] = {{0, {500, 300}}, {1, {500, 240}}, {2, {300, 300}}, {3, {300, 240}}, {4, {400, 300}}, {9, {1, 2}}};
    for (const Case& c : cases)
        EXPECT_EQ(TipPlacement(anchor, size, c.mode, current), c.expected) << c.mode;
}

// Tips on the deterministic loop: time moves only when the test says so.
class TipTest : public ControlsTest {
protected:
    IUiLoop* LoopForTest() override
    {
        m_loop.AdoptCurrentThread();
        return &m_loop;
    }
    void TearDown() override
    {
        if (CTipWnd* tip = CTipWnd::Current())
            tip->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ControlsTest::TearDown();
    }
    CFakeUiLoop m_loop;
};

TEST_F(TipTest, TwoTipsInARowTheSecondReplacesTheFirstForItsOwnTime)
{
    SHostWnd* wnd = Build(R"(<SOUI width="400" height="300"><root/></SOUI>)");
    ASSERT_EQ(ShowTipOnWindow("操作成功!", wnd, false, 2000), 1);
    CTipWnd* first = CTipWnd::Current();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->TipText(), "操作成功!");
    EXPECT_FALSE(first->IconShown());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->Mode(), 4);

    m_loop.Advance(1500);
    ASSERT_EQ(ShowTipOnWindow("使用音效失败!", wnd, true, 2000), 1);
    EXPECT_EQ(CTipWnd::Current(), first);  // the same window, replaced at once
    EXPECT_EQ(first->TipText(), "使用音效失败!");
    EXPECT_TRUE(first->IconShown());

    m_loop.Advance(1999);
    ASSERT_EQ(CTipWnd::Current(), first);  // the first tip's time has passed, the second's not
    EXPECT_TRUE(first->isVisible());
    m_loop.Advance(1);
    EXPECT_EQ(CTipWnd::Current(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A later tip makes a new window.
    ASSERT_EQ(ShowTip("音效下载成功!", 100, 100, 0, 2000, false), 1);
    ASSERT_NE(CTipWnd::Current(), nullptr);
    EXPECT_EQ(CTipWnd::Current()->pos(), CTipWnd::Current()->Anchor());
}

TEST_F(TipTest, EmptyTextOrNoWindowShowsNothingAndLeavesTheVisibleTip)
{
    SHostWnd* wnd = Build(R"(<SOUI width="400" height="300"><root/></SOUI>)");
    EXPECT_EQ(ShowTipOnWindow("", wnd, false, 2000), 0);
    EXPECT_EQ(CTipWnd::Current(), nullptr);
    ASSERT_EQ(ShowTipOnWindow("保存成功！", wnd, false, 2000), 1);
    EXPECT_EQ(ShowTipOnWindow("", wnd, true, 2000), 0);
    EXPECT_EQ(ShowTipOnWindow("x", nullptr, true, 2000), 0);
    ASSERT_NE(CTipWnd::Current(), nullptr);
    EXPECT_EQ(CTipWnd::Current()->TipText(), "保存成功！");
    // Centred horizontally on the window, top at its middle less half the old height.
    QPoint centre = wnd->mapToGlobal(QPoint(200, 150));
    EXPECT_EQ(CTipWnd::Current()->Anchor().x(), centre.x());
    EXPECT_EQ(CTipWnd::Current()->geometry().center().x(), centre.x() - (CTipWnd::Current()->width() % 2 == 0 ? 1 : 0));
}

TEST_F(ControlsTest, RegistrationFollowsTheStartUpOrder)
{
    std::vector<std::string> expected = {"vyprogress", "vyslider",  "vycheckbtn",    "vyradiobtn",    "moveThumb",
                                         "vyeqcurve",  "vyeqgrid",  "vyeq",          "edit2",         "gifplayer",
                                         "gif",        "vscrollbar", "vyslider3",    "vyvumeter",     "vyvugroup",
                                         "vyrotaryknob", "vycombobtn", "vyprogressex", "vyprogressex1", "imageMask"};
    const auto& order = m_app->RegistrationOrder();
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_TRUE(m_app->HasWidget("MOVETHUMB"));
    EXPECT_NE(m_app->CreateSkin("gif"), nullptr);
}

}  // namespace
}  // namespace vy::test
