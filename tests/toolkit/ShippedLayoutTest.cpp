#include "tests/toolkit/ToolkitFixture.h"

#include <QPixmap>

#include <filesystem>

namespace vy::test {
namespace {

// Every layout fixture builds and renders (the demo layouts, which use the
// custom controls, are checked with them in the controls tests).
class ShippedLayouts : public ToolkitTest, public ::testing::WithParamInterface<std::string> {};

std::vector<std::string> LayoutFiles()
{
    std::vector<std::string> out;
    for (const char* folder : {"/tests/data/ui/LAYOUT"}) {
        // Cases are listed at discovery, when the environment may be bare.
        std::filesystem::path dir = std::string(VY_SOURCE_DIR) + folder;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.path().extension() == ".xml")
                out.push_back(entry.path().string());
    }
    return out;
}

TEST_P(ShippedLayouts, BuildsAndRenders)
{
    std::filesystem::path file = GetParam();
    CFolderResourceProvider folder(file.parent_path().parent_path().string());
    m_app->AddResourceProvider(folder);
    m_app->LoadUiDef("uidef:xml_init");
    SHostWnd wnd("LAYOUT:" + file.stem().string());
    ASSERT_TRUE(wnd.Create()) << file;
    EXPECT_FALSE(wnd.size().isEmpty());
    wnd.show();
    QPixmap image = wnd.grab();
    EXPECT_EQ(image.size(), wnd.size());
    wnd.DestroyWindow();
    m_app->RemoveResourceProvider(folder);
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLayouts, ::testing::ValuesIn(LayoutFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = std::filesystem::path(param.param).stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name + "_" + std::to_string(param.index);
                         });

TEST_F(ToolkitTest, DemoLayoutRendersChineseTextSlidersAndButtons)
{
    CFolderResourceProvider demo(SourceDir() + "/data/ui-demo");
    m_app->AddResourceProvider(demo);
    ASSERT_TRUE(m_app->LoadUiDef("uidef:xml_init"));
    SHostWnd wnd("LAYOUT:XML_DEMO");
    ASSERT_TRUE(wnd.Create());
    wnd.show();
    QImage image = wnd.grab().toImage();
    ASSERT_EQ(image.size(), QSize(720, 460));
    // The accent button at the bottom of the left card is drawn in its skin colour.
    SWindow* save = wnd.FindChildByName("btn_save");
    ASSERT_NE(save, nullptr);
    QPoint corner = save->mapTo(&wnd, QPoint(4, save->height() / 2));
    EXPECT_EQ(image.pixelColor(corner), QColor(0x64, 0xE7, 0xDD));
    // The local grid: 11 pads in rows of 4 give 3 columns.
    EXPECT_EQ(wnd.FindChildByID(15003)->geometry().topLeft(), QPoint(0, 48));
    EXPECT_EQ(wnd.FindChildByID(15004)->geometry().topLeft(), wnd.FindChildByID(15001)->geometry().topLeft() + QPoint(0, 48));
    wnd.DestroyWindow();
    m_app->RemoveResourceProvider(demo);
}

}  // namespace
}  // namespace vy::test
