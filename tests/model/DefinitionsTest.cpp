#include "model/Definitions.h"
#include "model/FolderResourceProvider.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using vy::CDefinitions;
using vy::EffectRecord;
using vy::test::CTempDir;

namespace {

// A folder of definition documents, as --data reads them.
class DocumentsFixture : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) { vy::test::WriteFileBytes(m_dir.File(name), text); }
    void WriteParameter(const std::string& sections)
    {
        Write("parameter.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><VyAudio>" + sections + "</VyAudio>");
    }

    CTempDir m_dir;
    vy::CFolderResourceProvider m_resources{m_dir.Path(), "DATA"};
    CDefinitions m_defs;
    EffectRecord m_current;
};

}  // namespace

TEST_F(DocumentsFixture, ParametersKeepTheirFieldsAndDefaults)
{
    WriteParameter(R"(<s Name="DefaultParamInfo">
        <p paramNo="0" name="音效编号" minVal="0" maxVal="255" defVal="3" sendDevice="1" valByte="0"/>
        <x PARAMNO="1" NAME="混响" MinVal="-4" maxval="40" DEFVAL="21" senddevice="1" brecord="0" VALBYTE="2"/>
        <p paramNo="2"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current));
    const auto& p = m_defs.ParamDefs();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].name, "音效编号");
    EXPECT_EQ(p[0].maxVal, 255);
    EXPECT_EQ(p[0].bRecord, 1);  // missing bRecord means recorded
    EXPECT_EQ(p[1].name, "混响");
    EXPECT_EQ(p[1].minVal, -4);
    EXPECT_EQ(p[1].maxVal, 40);
    EXPECT_EQ(p[1].bRecord, 0);
    EXPECT_EQ(p[1].valByte, 2);
    EXPECT_EQ(p[2].paramNo, 2);
    EXPECT_EQ(p[2].sendDevice, 0);
    EXPECT_EQ(p[2].bRecord, 1);
    // Current values start at the defaults.
    EXPECT_EQ(m_current.values[0], 3);
    EXPECT_EQ(m_current.values[1], 21);
    EXPECT_EQ(m_current.values[2], 0);
}

TEST_F(DocumentsFixture, MergeTableKeepsReadingOrderPerWord)
{
    WriteParameter(R"(<s Name="DefaultParamInfo">
        <p paramNo="0"/>
        <p paramNo="1" bitMerge="1" mergeNo="4" mergeEndBit="4"/>
        <p paramNo="2" bitMerge="1" mergeNo="0" mergeEndBit="1"/>
        <p paramNo="3" bitMerge="1" mergeNo="4" mergeEndBit="0"/>
        <p paramNo="4"/>
        <p paramNo="5" bitMerge="0" mergeNo="4"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current));
    std::vector<std::pair<int32_t, int32_t>> pairs(m_defs.Merges().begin(), m_defs.Merges().end());
    EXPECT_EQ(pairs, (std::vector<std::pair<int32_t, int32_t>>{{0, 2}, {4, 1}, {4, 3}}));
}

TEST_F(DocumentsFixture, AtMostSixtyFourParametersAreKept)
{
    std::string entries;
    for (int i = 0; i < 66; ++i)
        entries += "<p paramNo=\"" + std::to_string(i) + "\" defVal=\"" + std::to_string(i + 100) + "\"/>";
    WriteParameter("<s Name=\"DefaultParamInfo\">" + entries + "</s>");
    vy::LoadReport report;
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current, &report));
    EXPECT_EQ(m_defs.ParamDefs().size(), 64u);
    EXPECT_EQ(m_current.values[63], 163);
    EXPECT_EQ(report.notes.size(), 1u);
}

TEST_F(DocumentsFixture, ReportNamesWhatWasBent)
{
    WriteParameter(R"(<s Name="DefaultParamInfo">
        <p paramNo="0" maxVal="1O"/>
        <p paramNo="5" bitMerge="1" mergeNo="9" mergeEndBit="40"/>
      </s>)");
    vy::LoadReport report;
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current, &report));
    EXPECT_EQ(m_defs.ParamDefs()[0].maxVal, 1);  // read up to the first non-digit
    // The letter O, the paramNo at the wrong position, the missing word and the shift.
    EXPECT_EQ(report.notes.size(), 4u) << ::testing::PrintToString(report.notes);
}

TEST_F(DocumentsFixture, SpecialGroupsByName)
{
    WriteParameter(R"(<s Name="DefaultParamInfo"><p/><p/><p/><p/><p/><p/><p/><p/></s>
      <s Name="DefaultGroupInfo">
        <g name="音效编号" nParam="1" paramNos="2"/>
        <g name="10段均衡" nParam="3" paramNos="4,5,6"/>
        <g name="混响" nParam="2" paramNos="1,,7,"/>
        <g name="音效编号 2" nParam="1" paramNos=""/>
        <g name="旧均衡音效编号" nParam="1" paramNos="7"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current));
    ASSERT_TRUE(m_defs.LoadGroupDefs(m_resources));
    ASSERT_EQ(m_defs.GroupDefs().size(), 5u);
    // The last equaliser group read counts, and a name with both words is
    // only an equaliser: the effect number stays where group 3 put it, at
    // parameter 0 (an empty list).
    EXPECT_EQ(m_defs.EqFirstParam(), 7);
    EXPECT_EQ(m_defs.EqBandCount(), 1);
    EXPECT_EQ(m_defs.EffectNumberParam(), 0);
    EXPECT_EQ(m_defs.GroupDefs()[2].paramNos, (std::vector<int32_t>{1, 7}));
    EXPECT_EQ(m_defs.GroupDefs()[1].name, "10段均衡");
}

TEST_F(DocumentsFixture, GroupParametersSkipUnknownNumbers)
{
    WriteParameter(R"(<s Name="DefaultParamInfo"><p/><p/><p/><p/></s>
      <s Name="DefaultGroupInfo">
        <g name="a" nParam="4" paramNos="3,9,-1,1,2"/>
        <g name="b" nParam="5" paramNos="0,1"/>
        <g name="c" nParam="-2" paramNos="0,1"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadParamDefs(m_resources, m_current));
    vy::LoadReport report;
    ASSERT_TRUE(m_defs.LoadGroupDefs(m_resources, &report));
    EXPECT_EQ(m_defs.GroupParamNumbers(0), (std::vector<int32_t>{3, 1}));  // only the first nParam count
    EXPECT_EQ(m_defs.GroupParamNumbers(1), (std::vector<int32_t>{0, 1}));  // nParam beyond the list
    EXPECT_TRUE(m_defs.GroupParamNumbers(2).empty());
    EXPECT_TRUE(m_defs.GroupParamNumbers(3).empty());
    EXPECT_FALSE(report.Clean());
}

TEST_F(DocumentsFixture, DefaultEffectsSplitByTypeWithGlobalIndexes)
{
    WriteParameter(R"(<s Name="DefaultEffectInfo">
        <e name="一" effectType="0" paramValue="1"/>
        <e name="二" effectType="1" paramValue="2"/>
        <e name="三" effectType="0" paramValue="3"/>
        <e name="四" effectType="1" paramValue=",5,,7,"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadDefaultEffects(m_resources));
    ASSERT_EQ(m_defs.Effects().size(), 4u);
    EXPECT_EQ(m_defs.DefaultEffectCount(), 2);
    EXPECT_EQ(m_defs.DeviceCustomEffectCount(), 2);
    EXPECT_EQ(m_defs.DeviceEffectCount(), 4);
    const char* names[] = {"一", "三", "二", "四"};
    const int32_t kinds[] = {0, 0, 1, 1};
    const int32_t indexes[] = {0, 1, 0, 1};
    for (size_t g = 0; g < 4; ++g) {
        const EffectRecord& e = m_defs.Effects()[g];
        EXPECT_EQ(e.Name(), names[g]) << g;
        EXPECT_EQ(e.kind, kinds[g]) << g;
        EXPECT_EQ(e.index, indexes[g]) << g;
        EXPECT_EQ(e.isFile, 0);
        EXPECT_EQ(e.empty, 0);
    }
    // Entry four: global index 3, its list with empty items skipped.
    const EffectRecord& fourth = m_defs.Effects()[3];
    EXPECT_EQ(fourth.values[0], 5);
    EXPECT_EQ(fourth.values[1], 7);
    for (size_t i = 2; i < vy::kEffectValueCount; ++i)
        EXPECT_EQ(fourth.values[i], 0) << i;
}

TEST_F(DocumentsFixture, OtherEffectTypesCountAsBuiltIn)
{
    WriteParameter(R"(<s Name="DefaultEffectInfo">
        <e name="a" effectType="1"/><e name="b" effectType="3"/><e name="c"/>
      </s>)");
    ASSERT_TRUE(m_defs.LoadDefaultEffects(m_resources));
    EXPECT_EQ(m_defs.DefaultEffectCount(), 2);
    EXPECT_EQ(m_defs.Effects()[0].kind, 3);  // kind is the type as written
    EXPECT_EQ(m_defs.Effects()[1].kind, 0);
    EXPECT_EQ(m_defs.Effects()[2].Name(), "a");
}

TEST_F(DocumentsFixture, EffectFilesFromTheNamedDocument)
{
    Write("effect.xml", R"(<VyAudio><s Name="ZanEffectFiles">
        <f name="演唱会" path="effects\concert.eff" paramValue="0,80"/>
        <f name="电台" path="radio.eff"/>
      </s></VyAudio>)");
    vy::LoadReport report;
    ASSERT_TRUE(m_defs.LoadEffectFiles(m_resources, "EFFECT", &report));
    ASSERT_EQ(m_defs.EffectFiles().size(), 2u);
    const EffectRecord& first = m_defs.EffectFiles()[0];
    EXPECT_EQ(first.Name(), "演唱会");
    EXPECT_EQ(first.Path(), "effects/concert.eff");
    EXPECT_EQ(first.kind, vy::kEffectKindFile);
    EXPECT_EQ(first.isFile, 1);
    EXPECT_EQ(first.values[1], 80);
    EXPECT_EQ(m_defs.EffectFiles()[1].index, 1);
    EXPECT_TRUE(report.Clean());
    EXPECT_FALSE(m_defs.LoadEffectFiles(m_resources, "other"));
    EXPECT_TRUE(m_defs.EffectFiles().empty());
}

TEST_F(DocumentsFixture, BrokenDocumentsLeaveEmptyLists)
{
    WriteParameter(R"(<s Name="DefaultParamInfo"><p defVal="4"/></s>
      <s Name="DefaultGroupInfo"><g name="均衡" nParam="1" paramNos="0"/><g name="音效编号" nParam="1" paramNos="0"/></s>
      <s Name="DefaultEffectInfo"><e name="x"/><e name="y" effectType="1"/></s>)");
    Write("effect.xml", R"(<VyAudio><s Name="ZanEffectFiles"><f name="f" path="f.eff"/></s></VyAudio>)");
    ASSERT_TRUE(m_defs.LoadAll(m_resources, "effect", m_current));
    ASSERT_EQ(m_defs.DeviceEffectCount(), 2);

    const std::string broken[] = {
        "",                                              // missing document
        "<VyAudio><s Name=\"DefaultParamInfo\">",       // not well-formed
        "<Other><s Name=\"DefaultParamInfo\"/></Other>",  // no VyAudio
        "<VyAudio><s Name=\"Unrelated\"/></VyAudio>",     // no sections
    };
    for (const std::string& text : broken) {
        std::remove(m_dir.File("parameter.xml").c_str());
        std::remove(m_dir.File("effect.xml").c_str());
        if (!text.empty()) {
            Write("parameter.xml", text);
            Write("effect.xml", text);
        }
        ASSERT_TRUE(m_defs.LoadAll(m_resources, "effect", m_current) == false) << text;
        EXPECT_TRUE(m_defs.ParamDefs().empty()) << text;
        EXPECT_TRUE(m_defs.Merges().empty()) << text;
        EXPECT_TRUE(m_defs.GroupDefs().empty()) << text;
        EXPECT_TRUE(m_defs.Effects().empty()) << text;
        EXPECT_TRUE(m_defs.EffectFiles().empty()) << text;
        EXPECT_EQ(m_defs.DeviceEffectCount(), 0) << text;
        EXPECT_EQ(m_defs.DefaultEffectCount(), 0) << text;
        EXPECT_EQ(m_defs.EqBandCount(), 0) << text;
        // The current values are left alone when there is nothing to load.
        EXPECT_EQ(m_current.values[0], 4) << text;
    }
}
