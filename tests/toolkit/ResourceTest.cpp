#include "tests/toolkit/ToolkitFixture.h"
#include "ui/toolkit/QtResourceProvider.h"
#include "ui/toolkit/Skin.h"

#include <QPainter>

#include <filesystem>

namespace vy::test {
namespace {

// A store that holds one document, to show which provider answers first.
class COneResource : public IResourceProvider {
public:
    COneResource(std::string type, std::string name, std::string content)
        : m_type(std::move(type)), m_name(std::move(name)), m_content(std::move(content))
    {
    }
    bool Find(std::string_view type, std::string_view name, std::string& content) const override
    {
        if (type != m_type || name != m_name)
            return false;
        content = m_content;
        return true;
    }

private:
    std::string m_type, m_name, m_content;
};

TEST(QtResources, FollowTheTypeNameRuleWithoutRegardToCase)
{
    CQtResourceProvider exe;
    std::string content;
    struct Case {
        const char* type;
        const char* name;
        bool found;
    } cases[] = {
        {"LAYOUT", "XML_MSGBOX", true},
        {"layout", "xml_msgbox", true},
        {"LAYOUT", "XML_MSGBOX.xml", true},
        {"LAYOUT", "XML_MSG", false},      // a prefix is not the name
        {"IMG", "XML_MSGBOX", false},      // another type
        {"LAYOUT", "../LAYOUT/XML_MSGBOX", false},
        {"", "XML_MSGBOX", false},
    };
    for (const Case& c : cases) {
        content.clear();
        EXPECT_EQ(exe.Find(c.type, c.name, content), c.found) << c.type << ":" << c.name;
        EXPECT_EQ(!content.empty(), c.found);
    }
}

// The same rule as the executable's resources, over a plain folder.
TEST(ResourceDir, NameWithAndWithoutExtension)
{
    CTempDir dir;
    std::filesystem::create_directories(dir.File("DATA"));
    WriteFileBytes(dir.File("DATA/parameter.xml"), "<p/>");
    WriteFileBytes(dir.File("DATA/rule"), "<r/>");
    WriteFileBytes(dir.File("DATA/rule.xml.bak"), "<bak/>");
    std::string content;
    auto find = [&](const char* type, const char* name) {
        return FindInResourceDir(QString::fromStdString(dir.Path()), type, name, content);
    };
    EXPECT_TRUE(find("data", "PARAMETER"));
    EXPECT_EQ(content, "<p/>");
    EXPECT_TRUE(find("DATA", "rule"));
    EXPECT_EQ(content, "<r/>");  // the exact name wins over a longer one
    EXPECT_FALSE(find("DATA", "rul"));  // a prefix is not the name
    EXPECT_FALSE(find("DATA", "parameter.x"));
    EXPECT_FALSE(find("DATA", "missing"));
}

TEST_F(ToolkitTest, ArchiveBeforeExecutableResourcesAndPrefixedNames)
{
    COneResource archive("LAYOUT", "XML_MSGBOX", "<from_archive/>");
    m_app->AddResourceProvider(archive);
    std::string content;
    ASSERT_TRUE(m_app->LoadResource("LAYOUT:XML_MSGBOX", content));
    EXPECT_EQ(content, "<from_archive/>");
    m_app->RemoveResourceProvider(archive);
    ASSERT_TRUE(m_app->LoadResource("LAYOUT:XML_MSGBOX", content));
    EXPECT_NE(content.find("msgtext"), std::string::npos);  // the executable's own
    // "SMENU::name" and lower-case types as the pages write them.
    EXPECT_TRUE(m_app->LoadResource("SMENU::menu_test", content));
    EXPECT_TRUE(m_app->LoadResource("smenu:menu_test", content));
    EXPECT_FALSE(m_app->LoadResource("SMENU:", content));
    EXPECT_FALSE(m_app->LoadResource("menu_test", content));  // no type, no default
}

TEST_F(ToolkitTest, UiDefinitionTablesAndImageStripSkin)
{
    EXPECT_EQ(m_app->ResolveColor("@color/accent"), QColor(0x64, 0xE7, 0xDD));
    EXPECT_EQ(m_app->ResolveColor("dark"), QColor(0x2b, 0x2e, 0x33));
    EXPECT_FALSE(m_app->ResolveColor("@color/none"));
    EXPECT_EQ(m_app->ResolveString("@string/app_title"), "测试窗口");
    EXPECT_EQ(m_app->NamedId("ID_NAMED_BUTTON"), 4242);
    ASSERT_TRUE(m_app->GetSkin("skin_btn"));
    EXPECT_EQ(m_app->GetSkin("missing_skin"), nullptr);

    // An image resource used as a skin: three states of 10 x 10 pixels.
    SSkinImgList strip;
    ASSERT_TRUE(strip.SetAttribute("src", "IMG:strip3"));
    ASSERT_TRUE(strip.SetAttribute("states", "3"));
    EXPECT_EQ(strip.Size(), QSize(10, 10));
    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    const QColor expected[] = {Qt::red, Qt::green, Qt::blue, Qt::blue};  // state 3 clamps to the last
    for (int state = 0; state < 4; ++state) {
        canvas.fill(Qt::transparent);
        QPainter p(&canvas);
        strip.Draw(p, QRect(0, 0, 20, 20), state);
        p.end();
        EXPECT_EQ(canvas.pixelColor(10, 10), expected[state]) << state;
    }
    EXPECT_FALSE(strip.SetAttribute("src", "IMG:does_not_exist"));
}

TEST_F(ToolkitTest, FontsHaveGlyphsForChinese)
{
    QFontMetrics fm(m_app->DefaultFont());
    EXPECT_TRUE(fm.inFont(QChar(0x97F3)));  // 音
    EXPECT_EQ(m_app->DefaultFont().pixelSize(), 12);
    QFont bold = m_app->ParseFont("size:20,bold:1", m_app->DefaultFont());
    EXPECT_EQ(bold.pixelSize(), 20);
    EXPECT_TRUE(bold.bold());
}

}  // namespace
}  // namespace vy::test
