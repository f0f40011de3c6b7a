#include "ui/toolkit/AttrParse.h"

#include <gtest/gtest.h>

#include <climits>

namespace vy {
namespace {

TEST(AttrParse, IntegersInDecimalAndHexWithJunk)
{
    struct Case {
        const char* text;
        std::optional<long long> expected;
    } cases[] = {
        {"42", 42},       {" -7 ", -7},    {"0x1F", 31},         {"0X1f", 31},
        {"12px", 12},     {"", std::nullopt}, {"abc", std::nullopt}, {"-", std::nullopt},
        {"+5", 5},        {"99999999999999999999999", LLONG_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseInteger(c.text), c.expected) << c.text;
    EXPECT_EQ(ParseInt("99999999999"), INT_MAX);
    EXPECT_EQ(ParseInt("junk", -1), -1);
}

TEST(AttrParse, BoolsAndLists)
{
    EXPECT_FALSE(ParseBool("0"));
    EXPECT_FALSE(ParseBool("false"));
    EXPECT_FALSE(ParseBool(""));
    EXPECT_TRUE(ParseBool("1"));
    EXPECT_TRUE(ParseBool("yes"));
    EXPECT_EQ(ParseIntList("5,0,5,0"), (std::vector<int>{5, 0, 5, 0}));
    EXPECT_EQ(ParseMargins("20,25,20,25"), QMargins(20, 25, 20, 25));
    EXPECT_EQ(ParseMargins("3"), QMargins(3, 3, 3, 3));
}

TEST(AttrParse, ColoursPutAlphaLast)
{
    struct Case {
        const char* text;
        std::optional<QColor> expected;
    } cases[] = {
        {"#f0f0f0ff", QColor(0xf0, 0xf0, 0xf0, 0xff)},
        {"#2ecbc680", QColor(0x2e, 0xcb, 0xc6, 0x80)},
        {"#64E7DD", QColor(0x64, 0xe7, 0xdd)},
        {"#fff", QColor(255, 255, 255)},
        {"rgb(1,2,3)", QColor(1, 2, 3)},
        {"RGBA(197,197,18,200)", QColor(197, 197, 18, 200)},
        {"#12345", std::nullopt},
        {"#gg0000", std::nullopt},
        {"red", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseColor(c.text), c.expected) << c.text;
}

TEST(AttrParse, TemplatesEscapeTextAndNeverOverrun)
{
    EXPECT_EQ(XmlEscape(R"(a<b>"c"&'d')"), "a&lt;b&gt;&quot;c&quot;&amp;&apos;d&apos;");
    struct Case {
        const char* templ;
        std::vector<TemplateArg> args;
        const char* expected;
    } cases[] = {
        {R"(<button id="%d" text="%s"/>)", {15001LL, std::string("鼓掌")}, R"(<button id="15001" text="鼓掌"/>)"},
        // A hostile name stays inside its attribute.
        {R"(<button text="%s"/>)", {std::string(R"("/><button name="evil"/>)")},
         R"(<button text="&quot;/&gt;&lt;button name=&quot;evil&quot;/&gt;"/>)"},
        // More conversions than arguments: the rest stays as written.
        {"%d-%s-%d", {1LL}, "1-%s-%d"},
        // Other conversions are not interpreted at all.
        {"%n%x%%", {1LL}, "%n%x%"},
        {"end%", {}, "end%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatXmlTemplate(c.templ, c.args), c.expected) << c.templ;
}

}  // namespace
}  // namespace vy
