#include "base/Log.h"
#include "model/FolderResourceProvider.h"
#include "tests/controls/ControlsFixture.h"
#include "tests/support/TempDir.h"
#include "ui/controls/VyEQ.h"
#include "ui/controls/VyRotaryKnob.h"

#include <QPixmap>

#include <filesystem>

namespace vy::test {
namespace {

// Every shipped demo layout builds with the custom controls, renders, and
// leaves no complaint in the log (an unknown element, a refused attribute, a
// missing skin or image all log one).
class DemoLayouts : public ControlsTest, public ::testing::WithParamInterface<std::string> {};

std::vector<std::string> DemoLayoutFiles()
{
    std::vector<std::string> out;
    std::error_code ec;
    // Cases are listed at discovery, when the environment may be bare.
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VY_SOURCE_DIR) + "/data/ui-demo/LAYOUT", ec))
        if (entry.path().extension() == ".xml")
            out.push_back(entry.path().stem().string());
    std::sort(out.begin(), out.end());
    return out;
}

void Collect(const std::string& line, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(line);
}

TEST_P(DemoLayouts, BuildsRendersAndLogsNothing)
{
    CFolderResourceProvider demo(SourceDir() + "/data/ui-demo");
    m_app->AddResourceProvider(demo);
    std::vector<std::string> log;
    SetLogSink(&Collect, &log);
    ASSERT_TRUE(m_app->LoadUiDef("uidef:xml_init"));
    auto wnd = std::make_unique<SHostWnd>("LAYOUT:" + GetParam());
    bool created = wnd->Create();
    wnd->show();
    QPixmap image = wnd->grab();
    SetLogSink(nullptr, nullptr);
    ASSERT_TRUE(created);
    EXPECT_EQ(image.size(), wnd->size());
    EXPECT_TRUE(log.empty()) << log.front();
    wnd.reset();
    m_app->RemoveResourceProvider(demo);
}

INSTANTIATE_TEST_SUITE_P(Files, DemoLayouts, ::testing::ValuesIn(DemoLayoutFiles()));

TEST_F(ControlsTest, ControlGalleryLayoutHoldsTheWidgetsInTheirStates)
{
    CFolderResourceProvider demo(SourceDir() + "/data/ui-demo");
    m_app->AddResourceProvider(demo);
    ASSERT_TRUE(m_app->LoadUiDef("uidef:xml_init"));
    SHostWnd wnd("LAYOUT:XML_CONTROLS");
    ASSERT_TRUE(wnd.Create());
    auto* eq = wnd.FindChildByName2<VyEQ>("eq_curve");
    ASSERT_NE(eq, nullptr);
    EXPECT_NE(eq->Handle(9), nullptr);
    EXPECT_NE(eq->Handle(-5), nullptr);
    const char* knobs[] = {"knob0", "knob50", "knob100"};
    const int values[] = {0, 50, 100};
    for (int i = 0; i < 3; ++i) {
        auto* knob = wnd.FindChildByName2<VyRotaryKnob>(knobs[i]);
        ASSERT_NE(knob, nullptr);
        EXPECT_EQ(knob->GetValue(), values[i]);
    }
    m_app->RemoveResourceProvider(demo);
}

}  // namespace
}  // namespace vy::test
