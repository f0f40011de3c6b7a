#include "tests/toolkit/ToolkitFixture.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Button.h"
#include "ui/toolkit/ComboBox.h"
#include "ui/toolkit/Edit.h"
#include "ui/toolkit/SliderBar.h"

#include <QApplication>
#include <QContextMenuEvent>

namespace vy::test {
namespace {

// A page in the host's chain that records what it saw and handles the
// events its predicate picks.
class CRecordingHandler : public IUiEventHandler {
public:
    explicit CRecordingHandler(std::function<bool(const CUiEvent&)> handles) : m_handles(std::move(handles)) {}
    bool OnUiEvent(CUiEvent& event) override
    {
        seen.push_back({event.Id(), event.Name(), event.IdFrom(), event.NameFrom()});
        return m_handles(event);
    }
    struct Seen {
        uint32_t id;
        std::string name;
        int idFrom;
        std::string nameFrom;
    };
    std::vector<Seen> seen;

private:
    std::function<bool(const CUiEvent&)> m_handles;
};

TEST_F(ToolkitTest, LayoutLoadsAndControlsAreFoundByNameAndIdAtAnyDepth)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(wnd->size(), QSize(600, 400));
    EXPECT_EQ(wnd->windowTitle().toStdString(), "测试窗口");

    SWindow* deep = wnd->FindChildByName("btn_deep");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->GetID(), 1001);  // "ID" and "NAME" in upper case
    EXPECT_EQ(wnd->FindChildByID(1001), deep);
    EXPECT_EQ(wnd->FindChildByID(4242), wnd->FindChildByName("btn_named"));  // id from the named-id table
    EXPECT_EQ(wnd->FindChildByName("btn_named")->GetWindowText(), "Named");   // "Text"
    EXPECT_EQ(wnd->FindChildByName("btn_deep", 2), nullptr);  // four levels down
    EXPECT_EQ(wnd->FindChildByName("btn_deep", 4), deep);
    EXPECT_EQ(wnd->FindChildByName("inner")->FindChildByName("btn_deep", 1), deep);
    EXPECT_EQ(wnd->FindChildByName("no_such_control"), nullptr);
    EXPECT_EQ(wnd->FindChildByName("nothing"), nullptr);  // unregistered element skipped
    // Geometry: "pos" with "@" sizes inside nested "-0" containers.
    EXPECT_EQ(deep->geometry(), QRect(10, 10, 100, 30));
    EXPECT_EQ(wnd->FindChildByName("outer")->geometry(), QRect(10, 40, 580, 350));
    EXPECT_EQ(wnd->FindChildByName("middle")->size(), QSize(580, 350));
}

TEST_F(ToolkitTest, ClassTestAcceptsOwnAndBaseClassNames)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    struct Case {
        const char* control;
        const char* className;
        bool is;
    } cases[] = {
        {"btn_named", "imgbtn", true},   {"btn_named", "button", true},   {"btn_named", "WINDOW", true},
        {"btn_named", "check", false},   {"slider_volume", "sliderbar", true}, {"chk_one", "check", true},
        {"chk_one", "radio", false},     {"edit_name", "edit", true},     {"edit_name", "richedit", false},
        {"combo_type", "combobox", true},
    };
    for (const Case& c : cases) {
        SWindow* w = wnd->FindChildByName(c.control);
        ASSERT_NE(w, nullptr) << c.control;
        EXPECT_EQ(w->IsClass(c.className), c.is) << c.control << " " << c.className;
    }
}

TEST_F(ToolkitTest, AttributesDefaultsStylesAndTranslation)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    // Default attributes of <check> from the UI definition.
    EXPECT_EQ(wnd->FindChildByName("chk_one")->TextColor(), QColor(0x64, 0xE7, 0xDD));
    // A text in the window's translation context.
    EXPECT_EQ(wnd->FindChildByName("txt_record")->GetWindowText(), "录音");
    EXPECT_EQ(wnd->FindChildByName("txt_title")->GetWindowText(), "音效测试");

    SWindow* slider = wnd->FindChildByName("slider_volume");
    EXPECT_TRUE(slider->SetAttribute("COLORTEXT", "#112233"));
    EXPECT_EQ(slider->TextColor(), QColor(0x11, 0x22, 0x33));
    EXPECT_FALSE(slider->SetAttribute("colorText", "not a colour"));
    EXPECT_EQ(slider->TextColor(), QColor(0x11, 0x22, 0x33));
    // Unknown attributes are kept for whoever asks.
    EXPECT_FALSE(slider->SetAttribute("colorCircle", "#f0f0f0"));
    EXPECT_EQ(slider->GetAttribute("COLORCIRCLE"), "#f0f0f0");
    // A style class applies its attributes; the element's own come after.
    SWindow* made = wnd->FindChildByName("outer")->CreateChildrenFromText(
        R"(<imgbtn id="15000" class="cls_sound_btn" text="鼓掌" height="50"/>)");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->TextColor(), QColor(255, 255, 255));
    EXPECT_EQ(made->sizeHint(), QSize(90, 50));
    EXPECT_NE(made->Skin(), nullptr);
    EXPECT_EQ(wnd->FindChildByName("outer")->CreateChildrenFromText("<imgbtn"), nullptr);
}

TEST_F(ToolkitTest, ClickRaisesCommandThatStopsAtTheFirstHandlerThatHandlesIt)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    auto isCommand = [](const CUiEvent& e) { return e.Id() == EventCmd::kId; };
    CRecordingHandler effect([](const CUiEvent&) { return false; });
    CRecordingHandler sound(isCommand);
    CRecordingHandler record(isCommand);
    wnd->AddEventHandler(&effect);
    wnd->AddEventHandler(&sound);
    wnd->AddEventHandler(&record);

    Click(wnd->FindChildByName("btn_deep"));

    auto commands = [](const CRecordingHandler& h) {
        std::vector<CRecordingHandler::Seen> out;
        for (const auto& s : h.seen)
            if (s.id == EventCmd::kId)
                out.push_back(s);
        return out;
    };
    ASSERT_EQ(commands(effect).size(), 1u);
    EXPECT_EQ(commands(effect)[0].idFrom, 1001);
    EXPECT_EQ(commands(effect)[0].nameFrom, "btn_deep");
    EXPECT_EQ(commands(effect)[0].name, "on_command");
    EXPECT_EQ(commands(sound).size(), 1u);
    EXPECT_TRUE(commands(record).empty());
    // The press came first, as "on_mouse_lbutton_down".
    ASSERT_FALSE(effect.seen.empty());
    EXPECT_EQ(effect.seen.front().name, "on_mouse_lbutton_down");

    // A subscription on the control itself handles it before the chain.
    int direct = 0;
    wnd->FindChildByName("btn_deep")->SubscribeEvent("on_command", [&](CUiEvent& e) {
        ++direct;
        EXPECT_EQ(e.IdFrom(), 1001);
        return true;
    });
    Click(wnd->FindChildByName("btn_deep"));
    EXPECT_EQ(direct, 1);
    EXPECT_EQ(commands(effect).size(), 1u);
    wnd->RemoveEventHandler(&effect);
    wnd->RemoveEventHandler(&sound);
    wnd->RemoveEventHandler(&record);
}

TEST_F(ToolkitTest, CheckComboFocusSliderAndContextMenuEvents)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    CRecordingHandler all([](const CUiEvent&) { return false; });
    wnd->AddEventHandler(&all);
    auto count = [&](uint32_t id) {
        int n = 0;
        for (const auto& s : all.seen)
            n += s.id == id;
        return n;
    };

    SWindow* check = wnd->FindChildByName("chk_one");
    Click(check);
    EXPECT_TRUE(check->IsChecked());
    EXPECT_EQ(count(EventStateChanged::kId), 1);
    EXPECT_EQ(count(EventCmd::kId), 1);
    check->SetCheck(true);  // no change, no event
    EXPECT_EQ(count(EventStateChanged::kId), 1);

    auto* combo = wnd->FindChildByName2<SComboBox>("combo_type");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetCurSel(), -1);
    combo->SetCurSel(1);
    ASSERT_EQ(count(EventCBSelChange::kId), 1);
    EXPECT_EQ(combo->GetWindowText(), "我的音效");
    combo->ResetContent();
    EXPECT_EQ(count(EventCBSelChange::kId), 1);

    auto* edit = wnd->FindChildByName2<SEdit>("edit_name");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetLimitText(), 7);
    QApplication::setActiveWindow(wnd);
    edit->FocusInput();
    QTest::keyClicks(edit->LineEdit(), "1234567890");
    EXPECT_EQ(edit->GetWindowText(), "1234567");
    check->setFocus();
    check->setFocusPolicy(Qt::StrongFocus);
    wnd->FindChildByName("slider_volume")->setFocus();
    EXPECT_GE(count(EventKillFocus::kId), 1);
    bool killFromEdit = false;
    for (const auto& s : all.seen)
        killFromEdit = killFromEdit || (s.id == EventKillFocus::kId && s.idFrom == 3001);
    EXPECT_TRUE(killFromEdit);

    auto* slider = wnd->FindChildByName2<SSliderBar>("slider_volume");
    slider->SetValue(1000);  // clamped, no event
    EXPECT_EQ(slider->GetValue(), 100);
    EXPECT_EQ(count(EventSliderPos::kId), 0);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(slider->GetValue(), 99);
    EXPECT_EQ(count(EventSliderPos::kId), 1);

    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(3, 4), QPoint(3, 4));
    QCoreApplication::sendEvent(wnd->FindChildByName("btn_deep"), &menu);
    EXPECT_EQ(count(EventCtxMenu::kId), 1);
    wnd->RemoveEventHandler(&all);
}

}  // namespace
}  // namespace vy::test
