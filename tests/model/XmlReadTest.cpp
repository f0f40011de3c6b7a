#include "model/XmlRead.h"

#include <gtest/gtest.h>

#include <climits>

namespace xml = vy::xml;

struct IntCase {
    const char* text;
    int32_t value;
    bool clean;
};

class ParseIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseIntTest, ReadsLikeBase10Strtol)
{
    bool clean = !GetParam().clean;
    EXPECT_EQ(xml::ParseInt(GetParam().text, &clean), GetParam().value) << '"' << GetParam().text << '"';
    EXPECT_EQ(clean, GetParam().clean) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Conventions, ParseIntTest,
                         ::testing::Values(IntCase{"42", 42, true}, IntCase{"  \t\n17", 17, true},
                                           IntCase{"-5", -5, true}, IntCase{"+8", 8, true},
                                           IntCase{"12abc", 12, false}, IntCase{"3.9", 3, false},
                                           IntCase{"0x1F", 0, false}, IntCase{"", 0, false},
                                           IntCase{"abc", 0, false}, IntCase{"-", 0, false},
                                           IntCase{" - 4", 0, false}, IntCase{"007", 7, true},
                                           IntCase{"12 ", 12, true},
                                           IntCase{"2147483647", INT32_MAX, true},
                                           IntCase{"-2147483648", INT32_MIN, true},
                                           IntCase{"2147483648", INT32_MAX, false},
                                           IntCase{"99999999999", INT32_MAX, false},
                                           IntCase{"-99999999999", INT32_MIN, false}));

TEST(XmlRead, BooleansGoByTheirFirstCharacter)
{
    struct Case {
        const char* text;
        bool value;
    } cases[] = {{"1", true},   {"true", true},  {"True", true}, {"yes", true}, {"Y", true},
                 {"0", false},  {"false", false}, {"no", false}, {"", false},   {" 1", false},
                 {"2", false},  {"on", false}};
    for (const Case& c : cases)
        EXPECT_EQ(xml::ParseBool(c.text), c.value) << '"' << c.text << '"';
}

TEST(XmlRead, ListsSkipEmptyItems)
{
    struct Case {
        const char* text;
        std::vector<int32_t> values;
        bool clean;
    } cases[] = {
        {",5,,7,", {5, 7}, true},
        {"1,2,3", {1, 2, 3}, true},
        {"", {}, true},
        {",,,", {}, true},
        {"4, 5 ,x,6", {4, 5, 0, 6}, false},  // a blank item is not empty: it reads as a number
        {" ,9", {0, 9}, false},
    };
    for (const Case& c : cases) {
        bool clean = !c.clean;
        EXPECT_EQ(xml::ParseIntList(c.text, &clean), c.values) << '"' << c.text << '"';
        EXPECT_EQ(clean, c.clean) << '"' << c.text << '"';
    }
}

TEST(XmlRead, NamesAndSectionsMatchWithoutCase)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<vyaudio>
        <a NAME="Other"/>
        <b name="defaultparaminfo" MINVAL="-3" list="1,,2" flag="Yes" label="音效"/>
        <c Name="DefaultParamInfo"/>
      </vyaudio>)"));
    pugi::xml_node root = xml::Root(doc);
    ASSERT_TRUE(root);
    pugi::xml_node section = xml::FindSection(root, "DefaultParamInfo");
    ASSERT_TRUE(section);
    EXPECT_STREQ(section.name(), "b");  // the first one wins
    EXPECT_EQ(xml::ReadInt(section, "minVal", 9), -3);
    EXPECT_EQ(xml::ReadInt(section, "maxVal", 9), 9);  // missing: the default
    EXPECT_EQ(xml::ReadIntList(section, "List", 64), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(xml::ReadBool(section, "FLAG", false));
    EXPECT_TRUE(xml::ReadBool(section, "absent", true));
    EXPECT_EQ(xml::ReadText(section, "Label", 31), "音效");
    EXPECT_FALSE(xml::FindSection(root, "Missing"));
}

TEST(XmlRead, TextIsCutToItsFieldWithANote)
{
    pugi::xml_document doc;
    // 30 ASCII characters, then a character outside the basic plane (two units).
    ASSERT_TRUE(doc.load_string("<e name=\"abcdefghijklmnopqrstuvwxyz0123\xF0\x9F\x8E\xA4\"/>"));
    vy::LoadReport report;
    EXPECT_EQ(xml::ReadText(doc.first_child(), "name", 31, &report), "abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(report.notes.size(), 1u);
    EXPECT_EQ(xml::ReadText(doc.first_child(), "name", 32, nullptr), "abcdefghijklmnopqrstuvwxyz0123\xF0\x9F\x8E\xA4");
}
