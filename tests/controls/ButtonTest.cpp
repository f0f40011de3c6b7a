#include "tests/controls/ControlsFixture.h"
#include "ui/controls/ControlEvents.h"
#include "ui/controls/Edit2.h"
#include "ui/controls/GifPlayer.h"
#include "ui/controls/VyButtons.h"
#include "model/FolderResourceProvider.h"
#include "tests/support/TempDir.h"

#include <filesystem>

namespace vy::test {
namespace {

constexpr const char* kButtons = R"(
<SOUI width="300" height="200"><root>
  <vycheckbtn id="7006" name="chk_multi" pos="0,0,@80,@30" multitext="1" text1="关" text2="开"
              multitip="1" tip1="点击开启" tip2="点击关闭" multicolor="1" colortext1="#757575" colortext2="#64E7DD"/>
  <vycheckbtn name="chk_false" pos="0,40,@80,@30" multitext="false" text2="开" text1="关" checked="1"/>
  <vycheckbtn name="chk_auto" pos="100,0,@80,@30" autoCheck="1" text="自动"/>
  <window name="group" pos="0,80,@300,@40">
    <vyradiobtn id="5" name="rd0" pos="0,0,@60,@30" autoCheck="1" checked="1"/>
    <vyradiobtn id="1005" name="rd1" pos="70,0,@60,@30" autoCheck="1"/>
    <vyradiobtn id="2005" name="rd2" pos="140,0,@60,@30"/>
  </window>
  <edit2 name="edit_value" id="3001" pos="0,130,@100,@24"/>
  <vycombobtn name="btn_combo" pos="120,130,@80,@24" animateTime="200" text="下拉"/>
</root></SOUI>)";

TEST_F(ControlsTest, CheckButtonTextsTipsAndColoursFollowTheState)
{
    SHostWnd* wnd = Build(kButtons);
    SWindow* multi = wnd->FindChildByName("chk_multi");
    ASSERT_NE(multi, nullptr);
    EXPECT_TRUE(multi->IsClass("check"));
    EXPECT_EQ(multi->GetWindowText(), "关");
    EXPECT_EQ(multi->GetToolTipText(), "点击开启");
    EXPECT_EQ(multi->TextColor(), QColor(0x75, 0x75, 0x75));
    multi->SetCheck(true);
    EXPECT_EQ(multi->GetWindowText(), "开");
    EXPECT_EQ(multi->GetToolTipText(), "点击关闭");
    EXPECT_EQ(multi->TextColor(), QColor(0x64, 0xE7, 0xDD));
    multi->SetCheck(false);
    EXPECT_EQ(multi->GetWindowText(), "关");
    // "false" turns the flag on too; the checked state shows text2 whatever the order.
    SWindow* flagged = wnd->FindChildByName("chk_false");
    EXPECT_EQ(flagged->GetWindowText(), "开");
}

TEST_F(ControlsTest, CheckButtonChangesStateOnlyWithAutoCheck)
{
    SHostWnd* wnd = Build(kButtons);
    SWindow* multi = wnd->FindChildByName("chk_multi");
    SWindow* autoBtn = wnd->FindChildByName("chk_auto");
    EventLog<EventCmd> commands(multi);
    ClickAt(multi, QPoint(10, 10));
    EXPECT_EQ(commands.events.size(), 1u);
    EXPECT_EQ(commands.events[0].IdFrom(), 7006);
    EXPECT_FALSE(multi->IsChecked());  // the page decides
    ClickAt(autoBtn, QPoint(10, 10));
    EXPECT_TRUE(autoBtn->IsChecked());
    QTest::keyClick(autoBtn, Qt::Key_Space);
    EXPECT_FALSE(autoBtn->IsChecked());
    // Released outside: no toggle, no command.
    EventLog<EventCmd> autoCommands(autoBtn);
    Press(autoBtn, QPoint(10, 10));
    Release(autoBtn, QPoint(500, 500));
    EXPECT_FALSE(autoBtn->IsChecked());
    EXPECT_TRUE(autoCommands.events.empty());
}

TEST_F(ControlsTest, OptionButtonsCheckOnClickAndClearTheirGroup)
{
    SHostWnd* wnd = Build(kButtons);
    SWindow* rd0 = wnd->FindChildByName("rd0");
    SWindow* rd1 = wnd->FindChildByName("rd1");
    SWindow* rd2 = wnd->FindChildByName("rd2");
    EXPECT_TRUE(rd0->IsClass("radio"));
    ClickAt(rd1, QPoint(5, 5));
    EXPECT_TRUE(rd1->IsChecked());
    EXPECT_FALSE(rd0->IsChecked());
    ClickAt(rd1, QPoint(5, 5));
    EXPECT_TRUE(rd1->IsChecked());  // a second click keeps it
    EventLog<EventCmd> commands(rd2);
    ClickAt(rd2, QPoint(5, 5));  // without autoCheck
    EXPECT_FALSE(rd2->IsChecked());
    EXPECT_TRUE(rd1->IsChecked());
    EXPECT_EQ(commands.events.size(), 1u);
}

TEST_F(ControlsTest, EditBoxTurnsKeysAndWheelIntoSteps)
{
    SHostWnd* wnd = Build(kButtons);
    auto* edit = Control<SEdit2>(wnd, "edit_value");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->IsClass("edit"));
    EventLog<EventEditValueChanging> log(edit);
    QTest::keyClick(edit->LineEdit(), Qt::Key_Return);
    QTest::keyClick(edit->LineEdit(), Qt::Key_Up);
    QTest::keyClick(edit->LineEdit(), Qt::Key_Down);
    QTest::keyClick(edit->LineEdit(), Qt::Key_5);  // text, no step
    Wheel(edit->LineEdit(), 120);
    Wheel(edit->LineEdit(), -120);
    std::vector<int> steps;
    for (const auto& e : log.events) {
        steps.push_back(e.step);
        EXPECT_EQ(e.IdFrom(), 3001);
        EXPECT_EQ(e.NameFrom(), "edit_value");
        EXPECT_EQ(e.Name(), "on_edit_valuechanging");
    }
    EXPECT_EQ(steps, (std::vector<int>{0, 1, -1, 1, -1}));
    EXPECT_EQ(edit->GetWindowText(), "5");
    edit->SetWindowText("123");
    QTest::mouseDClick(edit->LineEdit(), Qt::LeftButton);
    EXPECT_EQ(edit->LineEdit()->selectedText(), "123");
}

TEST_F(ControlsTest, ComboButtonPressIsThePlainPress)
{
    SHostWnd* wnd = Build(kButtons);
    SWindow* combo = wnd->FindChildByName("btn_combo");
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->IsClass("button"));
    EventLog<EventLButtonDown> down(combo);
    EventLog<EventCmd> commands(combo);
    ClickAt(combo, QPoint(5, 5));
    EXPECT_EQ(down.events.size(), 1u);
    EXPECT_EQ(commands.events.size(), 1u);
}

TEST_F(ControlsTest, GifPlayerStepsFramesByTheirDelays)
{
    SHostWnd* wnd = Build(R"(<SOUI width="50" height="50"><root><gifplayer name="ani" pos="0,0,@32,@32"/></root></SOUI>)");
    auto* player = Control<SGifPlayer>(wnd, "ani");
    ASSERT_NE(player, nullptr);
    auto gif = std::make_shared<SSkinGif>();
    QImage frame(4, 4, QImage::Format_ARGB32_Premultiplied);
    gif->AddFrame(frame, 3);  // 30 ms
    gif->AddFrame(frame, 0);  // no delay: 90 ms
    m_app->AddSkin("ani_skin", gif);
    ASSERT_TRUE(player->SetAttribute("skin", "ani_skin"));
    EXPECT_TRUE(player->IsRunning());
    std::vector<int> frames;
    for (int tick = 0; tick < 14; ++tick) {
        player->Tick();
        frames.push_back(gif->CurrentFrame());
    }
    // 3 ticks on frame 0, 9 on frame 1, then frame 0 again.
    EXPECT_EQ(frames, (std::vector<int>{0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0}));
    player->hide();
    EXPECT_FALSE(player->IsRunning());
    EXPECT_FALSE(player->SetAttribute("skin", "IMG:no_such_gif"));
}

}  // namespace
}  // namespace vy::test

namespace vy::test {
namespace {

TEST_F(ControlsTest, ImageMaskCutsTheImageByTheMasksAlphaInEitherOrder)
{
    CTempDir dir;
    std::filesystem::create_directories(dir.File("IMG"));
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 0));
    image.save(QString::fromStdString(dir.File("IMG/photo.png")));
    QImage mask(10, 10, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 5; ++x)
            mask.setPixelColor(x, y, QColor(0, 0, 0, 255));
    mask.save(QString::fromStdString(dir.File("IMG/half.png")));
    CFolderResourceProvider folder(dir.Path());
    m_app->AddResourceProvider(folder);
    for (const char* order : {R"(skin="IMG:photo" mask="IMG:half")", R"(mask="IMG:half" skin="IMG:photo")"}) {
        SHostWnd* wnd = Build(std::string(R"(<SOUI width="20" height="20"><root><imageMask name="m" pos="0,0,@10,@10" )") + order +
                              "/></root></SOUI>");
        auto* masked = Control<SImageMaskWnd>(wnd, "m");
        ASSERT_NE(masked, nullptr);
        QImage out = masked->Composed();
        ASSERT_EQ(out.size(), QSize(10, 10));
        EXPECT_EQ(out.pixelColor(2, 5), QColor(255, 0, 0)) << order;
        EXPECT_EQ(out.pixelColor(7, 5).alpha(), 0) << order;
    }
    m_windows.clear();
    m_app->RemoveResourceProvider(folder);
}

}  // namespace
}  // namespace vy::test
