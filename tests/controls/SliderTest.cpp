#include "tests/controls/ControlsFixture.h"
#include "ui/controls/SimpleToolTip.h"
#include "ui/controls/SliderMath.h"
#include "ui/controls/VyProgress.h"
#include "ui/controls/VyRotaryKnob.h"
#include "ui/controls/VySlider.h"

#include <cmath>

namespace vy::test {
namespace {

TEST(SliderMath, JumpDragAndKeys)
{
    // A 0-9 slider on a 100-pixel rail.
    QRect rail(10, 0, 100, 8);
    EXPECT_EQ(slider::JumpValue(0, 9, rail, QPoint(10 + 55, 4), false), 5);
    EXPECT_EQ(slider::JumpValue(0, 9, rail, QPoint(10 + 99, 4), false), 9);
    EXPECT_EQ(slider::JumpValue(0, 9, rail, QPoint(10, 4), false), 0);
    QRect vrail(0, 0, 8, 100);  // vertical: the bottom is the minimum
    EXPECT_EQ(slider::JumpValue(0, 9, vrail, QPoint(4, 45), true), 5);
    EXPECT_EQ(slider::DragValue(5, 9, 0, 9, 100), 5);   // less than one step
    EXPECT_EQ(slider::DragValue(5, 20, 0, 9, 100), 7);
    EXPECT_EQ(slider::DragValue(5, 500, 0, 9, 100), 9);  // clamped
    EXPECT_EQ(slider::DragValue(5, -500, 0, 9, 100), 0);

    struct Case {
        int key;
        int value;
        std::optional<int> expected;
    } cases[] = {
        {Qt::Key_PageUp, 90, 100}, {Qt::Key_PageUp, 10, 30}, {Qt::Key_PageDown, 10, 0}, {Qt::Key_End, 55, 0},
        {Qt::Key_Home, 55, 100},   {Qt::Key_Left, 0, 0},     {Qt::Key_Down, 7, 6},      {Qt::Key_Up, 100, 100},
        {Qt::Key_Right, 7, 8},     {Qt::Key_A, 7, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(slider::KeyValue(c.key, c.value, 0, 100), c.expected) << c.key << " at " << c.value;
}

TEST(SliderMath, SkinStatesByCondition)
{
    struct Case {
        int states;
        bool disabled, dragging, hover, focused;
        int expected;
    } cases[] = {
        {2, false, true, false, false, 1}, {2, false, false, true, false, 0}, {2, false, false, false, true, 1},
        {3, false, false, true, false, 1}, {3, false, true, true, false, 2},  {3, true, false, false, false, 0},
        {4, true, true, false, false, 3},  {4, false, false, false, false, 0}, {5, false, true, false, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(slider::SkinStateIndex(c.states, c.disabled, c.dragging, c.hover, c.focused), c.expected);
}

TEST(KnobMath, AnglesDotAndBackgroundStates)
{
    const double alpha = 30;
    EXPECT_DOUBLE_EQ(knob::AngleOfValue(0, 0, 100, alpha), 0);
    EXPECT_DOUBLE_EQ(knob::AngleOfValue(100, 0, 100, alpha), 330);
    EXPECT_DOUBLE_EQ(knob::AngleOfValue(0, -50, 50, alpha), 165);  // straight up
    EXPECT_DOUBLE_EQ(std::fmod(knob::Direction(0, alpha), 360), 105);
    EXPECT_DOUBLE_EQ(std::fmod(knob::Direction(330, alpha), 360), 75);
    struct Case {
        int dx, dy;
        double expected;
    } cases[] = {{-10, 0, 75}, {0, -10, 165}, {10, 0, 255}, {0, 10, 345}, {-10, 1, 69.4}, {-10, -1, 80.6}};
    for (const Case& c : cases) {
        auto kappa = knob::AngleOfPoint(c.dx, c.dy, alpha);
        ASSERT_TRUE(kappa);
        EXPECT_NEAR(*kappa, c.expected, 0.3) << c.dx << "," << c.dy;
    }
    EXPECT_FALSE(knob::AngleOfPoint(0, 0, alpha));
    // Straight above from 0: 165 * 101 / 330 = 50.
    EXPECT_EQ(knob::StepForAngle(*knob::AngleOfPoint(0, -10, alpha) - 0, 0, 100, alpha), 50);
    // Dot at value 0: 105 degrees, below and left of the centre.
    QPoint dot = knob::DotPosition(0, alpha, 100, 100, 20);
    EXPECT_EQ(dot, QPoint(static_cast<int>(100 + 20 * std::cos(105 * 3.14 / 180)), static_cast<int>(100 + 20 * std::sin(105 * 3.14 / 180))));
    EXPECT_LT(dot.x(), 100);
    EXPECT_GT(dot.y(), 100);
    const int values[] = {5, 30, 50, 70, 95};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(knob::BackgroundState(values[i], 10, 50, 90), i);
}

TEST(KnobMath, WrapGuardsHoldTheEnds)
{
    knob::CWrapGuard guard;
    EXPECT_EQ(guard.Step(100, 0, 0, 100), std::nullopt);  // max -> min: blocked
    EXPECT_TRUE(guard.BlockedAtMax());
    EXPECT_EQ(guard.Step(100, 3, 0, 100), std::nullopt);  // still blocked
    EXPECT_EQ(guard.Step(100, 100, 0, 100), std::nullopt);  // back at max: released
    EXPECT_FALSE(guard.BlockedAtMax());
    EXPECT_EQ(guard.Step(100, 97, 0, 100), 97);
    EXPECT_EQ(guard.Step(0, 100, 0, 100), std::nullopt);
    EXPECT_TRUE(guard.BlockedAtMin());
    EXPECT_EQ(guard.Step(0, 40, 0, 100), std::nullopt);
    EXPECT_EQ(guard.Step(0, 0, 0, 100), std::nullopt);
    EXPECT_EQ(guard.Step(0, 2, 0, 100), 2);
}

constexpr const char* kSliders = R"(
<SOUI width="300" height="200"><root>
  <vyslider name="slider" pos="0,0,@100,@8" min="0" max="9" thumbInRail="1"/>
  <vyslider name="slider_tip" pos="0,40,@200,@16" min="0" max="100" value="35" delta="-20" showPercent="1"/>
  <vyslider name="slider_quiet" pos="0,80,@200,@16" min="0" max="100" value="35" showPercent="0"/>
  <vyrotaryknob name="knob" pos="200,100,@80,@80" min="0" max="100" value="0" includedAngle="30" fgRadius="30"/>
  <vyslider3 name="slider3" pos="0,120,@120,@16" min="-12" max="12" value="0" selectPos="0" showPercent="1"/>
</root></SOUI>)";

TEST_F(ControlsTest, SliderClickJumpsAndRaisesEvenWhenUnchanged)
{
    SHostWnd* wnd = Build(kSliders);
    auto* s = Control<VySlider>(wnd, "slider");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->IsClass("sliderbar"));
    EXPECT_EQ(s->GetPartRect(SSliderBar::kPartRail).left(), 0);
    EXPECT_EQ(s->GetPartRect(SSliderBar::kPartRail).width(), 100);
    EventLog<EventSliderPos> log(s);
    ClickAt(s, QPoint(55, 4));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].nPos, 5);
    EXPECT_EQ(s->GetValue(), 5);
    ASSERT_FALSE(s->GetPartRect(SSliderBar::kPartThumb).contains(QPoint(59, 4)));
    ClickAt(s, QPoint(59, 4));  // 59 px is still 5, off the thumb
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[1].nPos, 5);
}

TEST_F(ControlsTest, SliderDragRaisesOnlyOnChangesAndStopsAtTheEnds)
{
    SHostWnd* wnd = Build(kSliders);
    auto* s = Control<VySlider>(wnd, "slider");
    s->SetValue(5);
    EventLog<EventSliderPos> log(s);
    QPoint onThumb = s->GetPartRect(SSliderBar::kPartThumb).center();
    Press(s, onThumb);
    EXPECT_TRUE(log.events.empty());  // a press on the thumb starts a drag only
    Move(s, onThumb + QPoint(5, 0));  // half a step
    EXPECT_TRUE(log.events.empty());
    Move(s, onThumb + QPoint(20, 0));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].nPos, 7);
    Move(s, onThumb + QPoint(500, 0));
    EXPECT_EQ(s->GetValue(), 9);
    Move(s, onThumb + QPoint(600, 0));  // still 9: nothing new
    EXPECT_EQ(log.events.size(), 2u);
    Move(s, onThumb + QPoint(-900, 0));
    EXPECT_EQ(s->GetValue(), 0);
    Release(s, onThumb);
    EXPECT_EQ(log.events.size(), 3u);
}

TEST_F(ControlsTest, SliderKeysAndWheel)
{
    SHostWnd* wnd = Build(kSliders);
    auto* s = Control<VySlider>(wnd, "slider_tip");
    s->SetValue(90);
    EventLog<EventSliderPos> log(s);
    struct Case {
        int key;
        int expected;
    } cases[] = {{Qt::Key_PageUp, 100}, {Qt::Key_PageUp, 100}, {Qt::Key_End, 0}, {Qt::Key_Home, 100}, {Qt::Key_Left, 99}};
    for (const Case& c : cases) {
        QTest::keyClick(s, static_cast<Qt::Key>(c.key));
        EXPECT_EQ(s->GetValue(), c.expected);
        ASSERT_FALSE(log.events.empty());
        EXPECT_EQ(log.events.back().nPos, c.expected);  // raised even when clamped
    }
    size_t before = log.events.size();
    QTest::keyClick(s, Qt::Key_A);
    EXPECT_EQ(log.events.size(), before);
    Wheel(s, 120);
    EXPECT_EQ(s->GetValue(), 100);
    Wheel(s, -120);
    EXPECT_EQ(s->GetValue(), 99);
    EXPECT_EQ(log.events.size(), before + 2);
}

TEST_F(ControlsTest, ValueTooltipShowsValuePlusDeltaOnlyWithShowPercent)
{
    SHostWnd* wnd = Build(kSliders);
    auto* quiet = Control<VySlider>(wnd, "slider_quiet");
    Hover(quiet, quiet->GetPartRect(SSliderBar::kPartThumb).center());
    EXPECT_EQ(SSimpleToolTip::Instance(), nullptr);

    auto* s = Control<VySlider>(wnd, "slider_tip");
    Hover(s, s->GetPartRect(SSliderBar::kPartThumb).center());
    ASSERT_NE(SSimpleToolTip::Instance(), nullptr);
    EXPECT_EQ(SSimpleToolTip::Instance()->Text(), "15");
    EXPECT_TRUE(SSimpleToolTip::Instance()->isVisible());
    EXPECT_EQ(s->GetValue(), 35);
    EXPECT_EQ(SSimpleToolTip::References(), 1);
    Hover(s, QPoint(190, 2));  // off the thumb: hidden and cleared
    EXPECT_FALSE(SSimpleToolTip::Instance()->isVisible());
    EXPECT_EQ(SSimpleToolTip::Instance()->Text(), "");
    // VySlider3 shows the value alone after a key.
    auto* s3 = Control<VySlider3>(wnd, "slider3");
    QTest::keyClick(s3, Qt::Key_Up);
    EXPECT_EQ(SSimpleToolTip::Instance()->Text(), "1");
    EXPECT_TRUE(s3->KeyboardTip());
    EXPECT_EQ(SSimpleToolTip::References(), 2);
    m_windows.clear();  // the last slider releases the shared window
    EXPECT_EQ(SSimpleToolTip::Instance(), nullptr);
    EXPECT_EQ(SSimpleToolTip::References(), 0);
}

QPoint OnCircle(const VyRotaryKnob* k, double screenDegrees, int radius = 30)
{
    double rad = screenDegrees * 3.14159265358979 / 180;
    return k->CentrePoint() + QPoint(static_cast<int>(std::lround(radius * std::cos(rad))), static_cast<int>(std::lround(radius * std::sin(rad))));
}

TEST_F(ControlsTest, KnobClickAboveTheCentreGivesFiftyAndDragsAreGuarded)
{
    SHostWnd* wnd = Build(kSliders);
    auto* k = Control<VyRotaryKnob>(wnd, "knob");
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(k->IsClass("sliderbar"));
    EXPECT_EQ(k->CentrePoint(), QPoint(40, 40));
    EventLog<EventSliderPos> log(k);
    ClickAt(k, QPoint(40, 10));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].nPos, 50);
    EXPECT_EQ(k->GetValue(), 50);

    // From the maximum, clockwise over the dead zone: the value holds.
    k->SetValue(100);
    log.events.clear();
    Press(k, OnCircle(k, 75));
    EXPECT_EQ(k->GetValue(), 100);
    Move(k, OnCircle(k, 107));
    EXPECT_EQ(k->GetValue(), 100);
    EXPECT_TRUE(k->Guard().BlockedAtMax());
    Move(k, OnCircle(k, 120));
    EXPECT_EQ(k->GetValue(), 100);
    Move(k, OnCircle(k, 75));  // back to where it computes the maximum again
    EXPECT_FALSE(k->Guard().BlockedAtMax());
    Move(k, OnCircle(k, 45));  // then turning back lowers it
    EXPECT_LT(k->GetValue(), 100);
    EXPECT_EQ(log.events.back().nPos, k->GetValue());
    Release(k, OnCircle(k, 45));
    EXPECT_FALSE(k->IsDragging());
    // A click on the centre changes nothing but still reports.
    int value = k->GetValue();
    ClickAt(k, k->CentrePoint());
    EXPECT_EQ(k->GetValue(), value);
    // Keys as the sliders.
    QTest::keyClick(k, Qt::Key_Home);
    EXPECT_EQ(k->GetValue(), 100);
    EXPECT_EQ(log.events.back().nPos, 100);
}

TEST_F(ControlsTest, KnobAttributesAndBackgroundStates)
{
    SHostWnd* wnd = Build(R"(<SOUI width="100" height="100"><root>
        <vyrotaryknob name="k" pos="0,0,@81,@81" min="-50" max="50" value="0" bChangebgSkin="1"
            changeBgSkinByValue1="10" changeBgSkinByValue2="50" changeBgSkinByValue3="90" colorCircle="#64E7DD"/>
      </root></SOUI>)");
    auto* k = Control<VyRotaryKnob>(wnd, "k");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->CentrePoint(), QPoint(41, 41));  // odd width: both + 1
    EXPECT_DOUBLE_EQ(knob::AngleOfValue(k->GetValue(), k->GetMin(), k->GetMax(), k->IncludedAngle()), 165);
    EXPECT_FALSE(k->SetAttribute("colorCircle", ""));
    EXPECT_EQ(k->CircleColor(), QColor(0x64, 0xE7, 0xDD));
    EXPECT_FALSE(k->SetAttribute("slashSkin", "IMG:no_such_image"));
    k->SetRange(0, 100);
    const int values[] = {5, 30, 50, 70, 95};
    for (int i = 0; i < 5; ++i) {
        k->SetValue(values[i]);
        EXPECT_EQ(k->BackgroundStateNow(), i);
    }
}

TEST_F(ControlsTest, LevelBarsFillByValueAndFallBack)
{
    SHostWnd* wnd = Build(R"(<SOUI width="300" height="200"><root>
        <vyprogress name="v" pos="0,0,@20,@100" vertical="1" min="0" max="100" posDeflate-x="2" posDeflate-y="3"/>
        <vyprogress name="h" pos="40,0,@200,@20" min="0" max="100"/>
        <vyprogressex name="ex" pos="40,40,@200,@20" max="100" DeclineSpeed="4"/>
        <vyprogressex1 name="ex1" pos="40,80,@200,@20" max="100"/>
        <vyprogressex name="cover" pos="40,120,@200,@20" min="10" max="110" value="60"/>
        <vyvugroup name="group" pos="0,150,@100,@40">
          <vyvumeter name="m1" pos="0,0,@10,@40" value="50"/>
          <text name="t"/>
          <vyvumeter name="m2" pos="20,0,@10,@40" value="70"/>
        </vyvugroup>
      </root></SOUI>)");
    auto* v = Control<VyProgress>(wnd, "v");
    auto* h = Control<VyProgress>(wnd, "h");
    v->SetValue(0);
    EXPECT_TRUE(v->LitRect().isEmpty());
    v->SetValue(50);
    EXPECT_EQ(v->LitRect(false), QRect(0, 50, 20, 50));  // the lower half
    h->SetValue(50);
    EXPECT_EQ(h->LitRect(), QRect(0, 0, 100, 20));  // the left half
    v->SetValue(150);  // clamped
    EXPECT_EQ(v->GetValue(), 100);
    EXPECT_EQ(v->LitRect(), QRect(2, 3, 16, 94));

    auto* ex = Control<VyProgressEX>(wnd, "ex");
    ex->SetValue(80);
    ex->grab();
    std::vector<int> shown;
    for (int i = 0; i < 16; ++i) {
        ex->SetValue(20);
        ex->grab();  // one repaint
        shown.push_back(ex->ShownValue());
    }
    std::vector<int> expected;
    for (int s = 76; s > 20; s -= 4)
        expected.push_back(s);
    expected.push_back(20);
    expected.push_back(20);
    EXPECT_EQ(shown, expected);
    ex->SetValue(80);
    ex->grab();
    ex->SetValue(0);
    ex->grab();
    EXPECT_EQ(ex->ShownValue(), 0);  // zero drops at once

    auto* ex1 = Control<VyProgressEX1>(wnd, "ex1");
    ex1->SetValue(80);
    ex1->grab();
    shown.clear();
    for (int i = 0; i < 21; ++i) {
        ex1->SetValue(0);
        ex1->grab();
        shown.push_back(ex1->ShownValue());
    }
    expected.clear();
    for (int s = 76; s >= 0; s -= 4)
        expected.push_back(s);
    expected.push_back(0);
    EXPECT_EQ(shown, expected);
    // A repaint without a new value shows the same level.
    ex1->SetValue(40);
    ex1->grab();
    ex1->grab();
    EXPECT_EQ(ex1->ShownValue(), 40);

    auto* cover = Control<VyProgressEX>(wnd, "cover");
    EXPECT_EQ(cover->CoverRect(), QRect(100, 0, 100, 20));

    auto* group = Control<VyVuGroup>(wnd, "group");
    ASSERT_EQ(group->Meters().size(), 2u);
    auto* m2 = Control<VyVumeter>(wnd, "m2");
    EXPECT_EQ(m2->GetValue(), 70);
    group->setParent(nullptr);
    m2->setParent(wnd);  // keep one meter to see the group's last act
    delete group;
    EXPECT_EQ(m2->GetValue(), 0);
}

}  // namespace
}  // namespace vy::test
