#include "model/FolderResourceProvider.h"
#include "model/RuleSet.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using vy::RuleSet;

namespace {

std::string RuleDocument(const std::string& sections)
{
    return "<?xml version=\"1.0\"?><VyAudio><Rule>" + sections + "</Rule></VyAudio>";
}

void ExpectResetValues(const RuleSet& rules)
{
    EXPECT_EQ(rules.SwitchAfterDeviceSave(), 0);
    EXPECT_EQ(rules.SwitchAfterMySave(), 0);
    EXPECT_TRUE(rules.EffectRules().empty());
    EXPECT_EQ(rules.MyEffectMaxCount(), 12);
    EXPECT_TRUE(rules.DeviceCustomCanRename());
    EXPECT_TRUE(rules.TipSaveOnChange());
    EXPECT_EQ(rules.SupportCustomSync(), 0);
    EXPECT_EQ(rules.SupportSyncDeviceParams(), 0);
    EXPECT_EQ(rules.Adpcm(), 0);
    EXPECT_EQ(rules.SoundSampleRate(), 44100);
    EXPECT_EQ(rules.ChannelNum(), 1);
    EXPECT_EQ(rules.BitPerSample(), 16);
    EXPECT_TRUE(rules.MaxInterceptDurations().empty());
}

}  // namespace

TEST(RuleSet, ReadsEverySection)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText(RuleDocument(R"(
        <Section Name="SaveEffectRule">
          <Item name="SaveEffectToDiyRule" bSwitchToCloudEff="1"/>
          <Item name="SaveEffectToCloudRule" bSwitchToCloudEff="257"/>
        </Section>
        <Section Name="OtherRule" MyEffectMaxCount="20" DeviceCustomEffectCanChangeName="0"
                 NeedTipSaveAsEffectByParamChange="yes"/>
        <Section Name="SupportCustomSync" value="1"/>
        <Section Name="SupportSyncDeviceEffectParam" value="2"/>
        <Section Name="SoundDownloadRule">
          <Item name="SoundSampleRate" value="22050"/>
          <Item name="ADPCM" value="1"/>
          <Item name="Format" ChannelNum="2" BitPerSample="8"/>
        </Section>)")));
    EXPECT_EQ(rules.SwitchAfterDeviceSave(), 1);  // 257 kept in eight bits
    EXPECT_EQ(rules.SwitchAfterMySave(), 1);
    EXPECT_EQ(rules.MyEffectMaxCount(), 20);
    EXPECT_FALSE(rules.DeviceCustomCanRename());
    EXPECT_TRUE(rules.TipSaveOnChange());
    EXPECT_EQ(rules.SupportCustomSync(), 1);
    EXPECT_EQ(rules.SupportSyncDeviceParams(), 2);
    EXPECT_EQ(rules.Adpcm(), 1);
    EXPECT_EQ(rules.SoundSampleRate(), 22050);
    EXPECT_EQ(rules.ChannelNum(), 2);
    EXPECT_EQ(rules.BitPerSample(), 8);
}

TEST(RuleSet, SectionNamesAndAttributesIgnoreCase)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText("<vyaudio><rule><x name=\"otherrule\" myeffectmaxcount=\"5\"/></rule></vyaudio>"));
    EXPECT_EQ(rules.MyEffectMaxCount(), 5);
}

TEST(RuleSet, TipSaveOnChangeHasTwoDefaults)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText(RuleDocument(R"(<Section Name="OtherRule" MyEffectMaxCount="8"/>)")));
    EXPECT_FALSE(rules.TipSaveOnChange());  // the section without the attribute
    EXPECT_TRUE(rules.DeviceCustomCanRename());

    ASSERT_TRUE(rules.LoadText(RuleDocument(R"(<Section Name="SupportCustomSync" value="1"/>)")));
    EXPECT_TRUE(rules.TipSaveOnChange());  // no section: the reset value
    EXPECT_EQ(rules.MyEffectMaxCount(), 12);
}

TEST(RuleSet, EffectRulesByNumber)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText(RuleDocument(R"(
        <Section Name="EffectRule">
          <Item EffectNo="3" IsForbidEQ="1"/>
          <Item IsForbidVC="1"/>
          <Item EffectNo="-2" IsForbidVC="1"/>
          <Item EffectNo="3" IsForbidReverb="true" IsEnableDodge="0"/>
          <Item effectno="0" isforbidpitch="Y" IsSwitchToPitchTabPage="1" IsEnableSaveEffect="no"
                IsEnableOneTouchSoundtrack="f" IsForbidReverbAndPitch="1" IsForbidEletric="t"/>
        </Section>)")));
    EXPECT_EQ(rules.EffectRules().size(), 2u);

    auto three = rules.Find(3);
    ASSERT_TRUE(three.has_value());
    vy::EffectRule expected3;
    expected3.IsForbidReverb = 1;
    expected3.IsEnableDodge = 0;
    EXPECT_EQ(*three, expected3);  // the second rule for 3 replaced the first

    auto zero = rules.Find(0);
    ASSERT_TRUE(zero.has_value());
    vy::EffectRule expected0;
    expected0.IsForbidPitch = 1;
    expected0.IsSwitchToPitchTabPage = 1;
    expected0.IsEnableSaveEffect = 0;
    expected0.IsEnableOneTouchSoundtrack = 0;
    expected0.IsForbidReverbAndPitch = 1;
    expected0.IsForbidEletric = 1;
    EXPECT_EQ(*zero, expected0);

    EXPECT_FALSE(rules.Find(-1).has_value());
    EXPECT_FALSE(rules.Find(-2).has_value());
    EXPECT_FALSE(rules.Find(1).has_value());
}

TEST(RuleSet, SoundDownloadChildrenEachInTurn)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText(RuleDocument(R"(
        <Section Name="SoundDownloadRule">
          <Item name="ADPCM" value="0" ChannelNum="2" BitPerSample="24" MaxInterceptDuration="35,35"/>
          <Item name="Limits" MaxInterceptDuration=",20,,20,"/>
          <Item name="SoundSampleRate" value="48000" MaxInterceptDuration="15"/>
        </Section>)")));
    // The last child has neither attribute: 1 and 16.
    EXPECT_EQ(rules.ChannelNum(), 1);
    EXPECT_EQ(rules.BitPerSample(), 16);
    EXPECT_EQ(rules.MaxInterceptDurations(), (std::vector<int32_t>{35, 35, 20, 20, 15}));
    EXPECT_EQ(rules.SoundSampleRate(), 48000);
}

TEST(RuleSet, ModelDecidesTheSoundFormat)
{
    struct Case {
        const char* model;
        int32_t adpcm;
        int32_t rate;
    } cases[] = {{"PX40", 0, 44100}, {"px40", 1, 48000}, {"PX40 ", 1, 48000}, {"KX20", 1, 48000}, {"", 1, 48000}};
    for (const Case& c : cases) {
        RuleSet rules;
        ASSERT_TRUE(rules.LoadText(RuleDocument(R"(<Section Name="SoundDownloadRule">
            <Item name="SoundSampleRate" value="22050"/><Item name="ADPCM" value="7"/></Section>)")));
        EXPECT_EQ(rules.SoundSampleRate(), 22050);
        rules.ApplyModelOverride(c.model);
        EXPECT_EQ(rules.Adpcm(), c.adpcm) << c.model;
        EXPECT_EQ(rules.SoundSampleRate(), c.rate) << c.model;
    }
}

TEST(RuleSet, BrokenDocumentsLeaveResetValues)
{
    const char* broken[] = {
        nullptr,                                                        // missing
        "<VyAudio><Rule><Section Name=\"OtherRule\" MyEffectMaxCount=",  // not well-formed
        "<Other><Rule/></Other>",                                       // no VyAudio
        "<VyAudio><Section Name=\"OtherRule\" MyEffectMaxCount=\"3\"/></VyAudio>",  // no Rule
    };
    for (const char* text : broken) {
        vy::test::CTempDir dir;
        if (text)
            vy::test::WriteFileBytes(dir.File("rule.xml"), text);
        vy::CFolderResourceProvider resources(dir.Path(), "DATA");
        RuleSet rules;
        // Values from an earlier load must not survive a failed one.
        ASSERT_TRUE(rules.LoadText(RuleDocument(R"(<Section Name="OtherRule" MyEffectMaxCount="3"/>
            <Section Name="EffectRule"><Item EffectNo="1" IsForbidEQ="1"/></Section>
            <Section Name="SoundDownloadRule"><Item MaxInterceptDuration="9"/></Section>)")));
        vy::LoadReport report;
        EXPECT_FALSE(rules.Load(resources, &report)) << (text ? text : "(missing)");
        EXPECT_FALSE(report.Clean());
        ExpectResetValues(rules);
    }
}

TEST(RuleSet, AnEmptyRuleElementIsFound)
{
    RuleSet rules;
    EXPECT_TRUE(rules.LoadText(RuleDocument("")));
    ExpectResetValues(rules);
}

TEST(RuleSet, ProcessWideInstanceIsOne)
{
    EXPECT_EQ(&RuleSet::Instance(), &RuleSet::Instance());
}
