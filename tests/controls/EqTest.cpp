#include "tests/controls/ControlsFixture.h"
#include "ui/controls/ControlEvents.h"
#include "ui/controls/EqMath.h"
#include "ui/controls/MoveThumb.h"
#include "ui/controls/VyEQ.h"

#include <cmath>

namespace vy::test {
namespace {

int NearestPoint(double freq, int zeroX = 10)
{
    int best = 0;
    for (int i = 0; i < eq::kPoints; ++i)
        if (std::fabs(std::log(eq::PointFrequency(i, zeroX) / freq)) < std::fabs(std::log(eq::PointFrequency(best, zeroX) / freq)))
            best = i;
    return best;
}

eq::EqCurveData DataWithPoints()
{
    eq::EqCurveData data;
    data.SetPoints(eq::FrequencyPoints(10));
    return data;
}

TEST(EqMath, PeakingBandPeaksAtItsGainAndZeroGainContributesNothing)
{
    eq::EqCurveData data = DataWithPoints();
    ASSERT_TRUE(data.AddBand(0, 1000, 1.7));
    data.Refresh();
    EXPECT_EQ(data.LastChanged(), -1);
    EXPECT_TRUE(std::all_of(data.Total().begin(), data.Total().end(), [](double v) { return v == 0; }));
    // Zero before and after: nothing to redraw.
    EXPECT_FALSE(data.SetBandParam(0, 0.0, 0));

    ASSERT_TRUE(data.SetBandParam(0, 6.0, 0));
    EXPECT_EQ(data.LastChanged(), 0);
    int at1k = NearestPoint(1000);
    EXPECT_NEAR(data.Total()[static_cast<size_t>(at1k)], 6.0, 0.05);
    EXPECT_NEAR(*std::max_element(data.Total().begin(), data.Total().end()), 6.0, 0.02);
    EXPECT_NEAR(data.MaxValue(), 6.0, 0.02);
    EXPECT_NEAR(data.Total()[static_cast<size_t>(NearestPoint(20))], 0.0, 0.05);
    // Back to zero: the band stops contributing and is no longer "last".
    EXPECT_TRUE(data.SetBandParam(0, 0.005, 0));
    EXPECT_EQ(data.LastChanged(), -1);
    EXPECT_NEAR(data.Total()[static_cast<size_t>(at1k)], 0.0, 1e-9);
    // Two bands sum.
    data.SetBandParam(0, 3.0, 0);
    data.AddBand(3.0, 1000, 1.7);
    data.Refresh();
    EXPECT_NEAR(data.Total()[static_cast<size_t>(at1k)], 6.0, 0.05);
}

TEST(EqMath, FilterTypesShapeTheResponse)
{
    struct Case {
        int type;
        double freq;
        double gain;
        double lowDb;   // at 20 Hz
        double highDb;  // at 20 kHz
        double tolerance;  // a negative tolerance: "at most" the expected value
    } cases[] = {
        {1, 100, 6, 6, 0, 0.3},       // low shelf
        {3, 5000, -6, 0, -6, 0.5},    // high shelf
        {4, 1000, 6, 0, -40, -1},     // low pass: the top end far down
        {5, 1000, 6, -40, 0, -1},     // high pass: the bottom end far down
        {6, 1000, 6, 0, -40, -1},     // the other quality factors too
        {9, 1000, 6, -40, 0, -1},
        {4, 10, 6, 0, 0, 1e-9},       // a filter below 20 Hz is flat
        {9, 23000, 6, 0, 0, 1e-9},    // and above 22 kHz
        {1, 100, 0, 0, 0, 1e-9},      // a shelf without gain is flat
    };
    auto check = [](double value, double expected, double tolerance) {
        return tolerance < 0 ? (expected == 0 ? std::fabs(value) < 0.5 : value <= expected) : std::fabs(value - expected) <= tolerance;
    };
    for (const Case& c : cases) {
        eq::EqCurveData data = DataWithPoints();
        data.AddBand(c.gain, c.freq, 0.7);
        data.SetBandParam(0, c.type, 3);
        data.Refresh();
        double low = data.Total()[static_cast<size_t>(NearestPoint(20))];
        double high = data.Total()[static_cast<size_t>(NearestPoint(20000))];
        EXPECT_TRUE(check(low, c.lowDb, c.tolerance)) << c.type << "@" << c.freq << " low " << low;
        EXPECT_TRUE(check(high, c.highDb, c.tolerance)) << c.type << "@" << c.freq << " high " << high;
    }
    eq::EqCurveData data = DataWithPoints();
    data.AddBand(6, 1000, 1.7);
    EXPECT_FALSE(data.SetBandParam(0, 11, 3));
    EXPECT_FALSE(data.SetBandParam(0, -1, 3));
    EXPECT_FALSE(data.SetBandParam(1, 6, 0));  // no such band
    EXPECT_TRUE(data.SetBandParam(0, 10, 3));  // accepted, no coefficients
    for (int i = 0; i < 40; ++i)
        data.AddBand(0, 100 + i, 1);
    EXPECT_EQ(data.BandCount(), eq::kMaxRegularBands);
}

TEST(EqMath, GridOfA400By200ControlWithDefaults)
{
    eq::EqLayout layout;
    QRect r(0, 0, 400, 200);
    layout.Resize(r);
    EXPECT_EQ(layout.plotWidth, 364);
    EXPECT_EQ(layout.rowHeight, 41);
    EXPECT_EQ(layout.plotHeight, 164);
    eq::Grid grid = eq::ComputeGrid(layout, r);
    ASSERT_EQ(grid.horizontal.size(), 5u);
    const int ys[] = {18, 59, 100, 141, 182};
    const char* labels[] = {"12", "6", "0", "-6", "-12"};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(grid.horizontal[k].pos, ys[k]);
        EXPECT_EQ(grid.horizontal[k].label, labels[k]);
        EXPECT_EQ(grid.horizontal[k].labelRect, QRect(QPoint(2, ys[k] - 7), QPoint(33, ys[k] - 7 + 42)));
    }
    EXPECT_EQ(grid.left, 36);
    EXPECT_EQ(grid.right, 400);
    EXPECT_EQ(grid.bottom, 184);
    std::vector<std::string> freqLabels;
    for (const auto& v : grid.vertical)
        if (!v.label.empty())
            freqLabels.push_back(v.label);
    EXPECT_EQ(freqLabels, (std::vector<std::string>{"20Hz", "50Hz", "100Hz", "200Hz", "500Hz", "1kHz", "2kHz", "5kHz", "10kHz", "20kHz"}));
    EXPECT_EQ(grid.vertical.size(), 29u);  // 10..90, 100..900, 1000..9000, 10000, 20000
    int x1k = 36 + static_cast<int>(std::trunc(2.0 * 364 / (std::log10(24000.0) - 1)));
    for (const auto& v : grid.vertical)
        if (v.label == "1kHz") {
            EXPECT_EQ(v.pos, x1k);
            EXPECT_EQ(v.labelRect.topLeft(), QPoint(x1k - 12, 189));
        }
    // A label only for multiples of dbKeduVal, and none with a narrow margin.
    layout.dbKeduVal = 12;
    grid = eq::ComputeGrid(layout, r);
    EXPECT_EQ(grid.horizontal[1].label, "");
    EXPECT_EQ(grid.horizontal[2].label, "0");
    layout.ldist = 10;
    layout.bdist = 10;
    grid = eq::ComputeGrid(layout, r);
    for (const auto& line : grid.horizontal)
        EXPECT_TRUE(line.label.empty());
    for (const auto& line : grid.vertical)
        EXPECT_TRUE(line.label.empty());
}

TEST(EqMath, MarkerTableAndRimColour)
{
    EXPECT_EQ(eq::MarkerIndex(1.7), 44);  // 510 -> 500: 76 pixels from the centre
    EXPECT_EQ(120 - eq::MarkerIndex(1.7), 76);
    EXPECT_EQ(eq::MarkerIndex(0.0), 0);
    EXPECT_EQ(eq::MarkerIndex(100.0), 100);
    EXPECT_EQ(eq::MarkerIndex(0.14), 1);        // 42
    EXPECT_EQ(eq::MarkerIndex(41.5 / 300), 0);  // 41: as near 40 as 42, the lower wins
    EXPECT_EQ(SMoveThumb::RimColor(QColor(240, 240, 240, 77)), QColor(41, 41, 41, 77));
    EXPECT_EQ(SMoveThumb::RimColor(QColor(200, 200, 200, 0)), QColor(1, 1, 1, 0));
    EXPECT_EQ(SMoveThumb::RimColor(QColor(0, 100, 198, 255)), QColor(57, 157, 255, 255));
}

constexpr const char* kEqLayout = R"(
<SOUI width="400" height="200"><root>
  <vyeq name="eq_curve" pos="0,0,@400,@200" minFreq="20" %s>
    <vyeqgrid pos="0,0,-0,-0" colorText="#808080"/>
    <vyeqcurve name="eq_curveLine" pos="0,0,-0,-0" colorLine="#2ecbc680"/>
    <moveThumb id="1" size="16,16" centerColor="#f0f0f0"/>
    <moveThumb id="0" size="16,16" centerColor="#f0f0f0"/>
    <moveThumb id="-5" size="8,8"/>
    <moveThumb id="-6" size="8,8"/>
    <moveThumb id="64" size="16,16"/>
    <moveThumb id="-7" size="16,16"/>
  </vyeq>
</root></SOUI>)";

std::string EqLayout(const std::string& extra = "")
{
    std::string text = kEqLayout;
    text.replace(text.find("%s"), 2, extra);
    return text;
}

TEST_F(ControlsTest, DraggingAHandleClampsAndRaisesMaskThree)
{
    SHostWnd* wnd = Build(EqLayout());
    auto* graph = Control<VyEQ>(wnd, "eq_curve");
    ASSERT_NE(graph, nullptr);
    graph->AddBand(0, 1000, 1.7);
    graph->AddBand(0, 4000, 1.7);
    graph->Refresh();
    SMoveThumb* handle = graph->Handle(0);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->IsVisibleSelf());
    EXPECT_TRUE(graph->Handle(1)->IsVisibleSelf());
    for (SMoveThumb* ignored : graph->IgnoredHandles())
        EXPECT_FALSE(ignored->IsVisibleSelf());
    EXPECT_EQ(graph->IgnoredHandles().size(), 2u);
    // Centre of band 0 at 1 kHz, 0 dB.
    const eq::EqLayout& l = graph->Layout();
    QPoint expected(36 + eq::Rnd(2.0 * l.pixelsPerDecade), 18 + eq::Rnd(12 * l.pixelsPerDb));
    EXPECT_EQ(handle->Centre(), expected);

    EventLog<EventEqValueChanged> log(graph);
    QPoint grab(8, 8);
    Press(handle, grab);
    Move(handle, grab + QPoint(0, -150));  // far above the plot
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].band, 0);
    EXPECT_EQ(log.events[0].mask, 3);
    EXPECT_DOUBLE_EQ(log.events[0].gain, 12.0);
    EXPECT_NEAR(log.events[0].freq, 1000.0, 1000.0 * 0.01);
    EXPECT_DOUBLE_EQ(graph->Data().Band(0).gain, 12.0);
    EXPECT_EQ(handle->Centre().y(), 18);  // snapped to the clamped position
    // Left of minFreq: the frequency stops at minFreq ("20").
    Move(handle, QPoint(-400, 8));
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[1].mask, 3);
    EXPECT_DOUBLE_EQ(log.events[1].freq, 20.0);
    Release(handle, QPoint(-400, 8));
    EXPECT_FALSE(handle->IsDragging());
    Move(handle, QPoint(0, 0));  // not dragging any more
    EXPECT_EQ(log.events.size(), 2u);
}

TEST_F(ControlsTest, BandwidthMarkersFollowTheLastBandAndDraggingThemChangesNothing)
{
    SHostWnd* wnd = Build(EqLayout());
    auto* graph = Control<VyEQ>(wnd, "eq_curve");
    ASSERT_NE(graph, nullptr);
    graph->AddBand(0, 1000, 1.7);
    graph->Refresh();
    graph->ShowBandwidthMarkers();
    SMoveThumb* left = graph->Handle(-5);
    SMoveThumb* right = graph->Handle(-6);
    EXPECT_FALSE(left->IsVisibleSelf());  // no band changed yet
    graph->SetBandGain(0, 6.0);
    ASSERT_TRUE(left->IsVisibleSelf());
    QPoint centre = graph->Handle(0)->Centre();
    EXPECT_EQ(left->Centre(), centre + QPoint(-76, 0));
    EXPECT_EQ(right->Centre(), centre + QPoint(76, 0));
    EXPECT_EQ(left->GetUserData(), 0);

    EventLog<EventEqValueChanged> log(graph);
    double gain = graph->Data().Band(0).gain;
    double freq = graph->Data().Band(0).freq;
    Press(left, QPoint(4, 4));
    Move(left, QPoint(-50, -50));
    Release(left, QPoint(-50, -50));
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(graph->Data().Band(0).gain, gain);
    EXPECT_EQ(graph->Data().Band(0).freq, freq);
    graph->SetBandGain(0, 0.0);
    EXPECT_FALSE(left->IsVisibleSelf());
}

TEST_F(ControlsTest, ZeroXFreqIsClampedWhenTheGraphStarts)
{
    struct Case {
        const char* value;
        int expected;
    } cases[] = {{"5", 10}, {"30", 20}, {"15", 15}, {"0x0C", 12}};
    for (const Case& c : cases) {
        SHostWnd* wnd = Build(EqLayout(std::string("zeroXFreq=\"") + c.value + "\""));
        auto* graph = Control<VyEQ>(wnd, "eq_curve");
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->Layout().zeroXFreq, c.expected) << c.value;
    }
}

TEST_F(ControlsTest, CurveDrawsTheTotalOpaque)
{
    SHostWnd* wnd = Build(EqLayout());
    auto* graph = Control<VyEQ>(wnd, "eq_curve");
    ASSERT_NE(graph, nullptr);
    graph->AddBand(0, 1000, 1.7);
    graph->Refresh();
    QImage image = wnd->grab().toImage();
    // The flat total curve lies on the 0 dB line at y0 = trunc(12 * ppdb) + 18,
    // in the line colour made opaque.
    int y0 = static_cast<int>(std::trunc(12 * graph->Layout().pixelsPerDb)) + 18;
    QColor onCurve = image.pixelColor(300, y0);
    EXPECT_EQ(onCurve.rgb(), QColor(0x2e, 0xcb, 0xc6).rgb()) << onCurve.name().toStdString();
}

}  // namespace
}  // namespace vy::test
