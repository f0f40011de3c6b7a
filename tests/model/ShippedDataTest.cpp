// Every product data file that ships is loaded here, so a broken or bent
// definition fails the build's tests, not the user's program.
#include "model/ArchiveResourceProvider.h"
#include "model/Definitions.h"
#include "model/DeviceModel.h"
#include "model/FolderResourceProvider.h"
#include "model/ParamEncoding.h"
#include "model/RuleSet.h"
#include "model/XmlRead.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Test discovery lists the cases without the test environment, so the
// compiled-in source folder stands in for it.
std::string DataDir()
{
    const char* dir = std::getenv("VY_SOURCE_DIR");
    return std::string(dir && *dir ? dir : VY_SOURCE_DIR) + "/data";
}

std::string BuiltArchive()
{
    const char* dir = std::getenv("VY_BINARY_DIR");
    return std::string(dir && *dir ? dir : VY_BINARY_DIR) + "/data/res/layout";
}

std::vector<std::string> FilesUnder(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file() && it->path().extension() == extension)
            files.push_back(fs::relative(it->path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

size_t ElementCount(const pugi::xml_node& section)
{
    size_t count = 0;
    for (pugi::xml_node child : section.children())
        count += child.type() == pugi::node_element;
    return count;
}

// The source documents, as --data reads them.
class ShippedDefinitions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_defs.LoadAll(m_resources, "effect", m_current, &m_report));
        ASSERT_TRUE(m_rules.Load(m_resources, &m_report));
        m_rules.ApplyModelOverride(vy::kModelPX40);
    }

    pugi::xml_node Section(const char* document, const char* name)
    {
        auto& doc = m_docs[document];
        if (!doc.first_child()) {
            EXPECT_TRUE(vy::xml::LoadDocument(m_resources, document, doc));
        }
        pugi::xml_node parent = vy::xml::Root(doc);
        if (std::string(document) == "rule")
            parent = vy::xml::FindChild(parent, "Rule");
        return vy::xml::FindSection(parent, name);
    }

    vy::CFolderResourceProvider m_resources{DataDir() + "/archive/DATA", "DATA"};
    vy::CDefinitions m_defs;
    vy::EffectRecord m_current;
    vy::RuleSet m_rules;
    vy::LoadReport m_report;
    std::map<std::string, pugi::xml_document> m_docs;
};

}  // namespace

// Each XML file of the archive folder is well-formed and has its VyAudio.
class ShippedDocument : public ::testing::TestWithParam<std::string> {};

TEST_P(ShippedDocument, ParsesWithItsRoot)
{
    const std::string text = vy::test::ReadFileBytes(DataDir() + "/archive/" + GetParam());
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
    ASSERT_TRUE(result) << GetParam() << ": " << result.description() << " at " << result.offset;
    if (GetParam().rfind("DATA/", 0) == 0) {
        EXPECT_TRUE(vy::xml::Root(doc)) << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedDocument, ::testing::ValuesIn(FilesUnder(DataDir() + "/archive", ".xml")),
                         [](const auto& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST_F(ShippedDefinitions, LoadWithNothingBentOrSkipped)
{
    EXPECT_TRUE(m_report.Clean()) << ::testing::PrintToString(m_report.notes);
    EXPECT_EQ(m_defs.ParamDefs().size(), ElementCount(Section("parameter", "DefaultParamInfo")));
    EXPECT_EQ(m_defs.GroupDefs().size(), ElementCount(Section("parameter", "DefaultGroupInfo")));
    EXPECT_EQ(m_defs.Effects().size(), ElementCount(Section("parameter", "DefaultEffectInfo")));
    EXPECT_EQ(m_defs.EffectFiles().size(), ElementCount(Section("effect", "ZanEffectFiles")));
    EXPECT_EQ(m_rules.EffectRules().size(), ElementCount(Section("rule", "EffectRule")));
    EXPECT_LE(m_defs.ParamDefs().size(), 64u);
    for (size_t i = 0; i < m_defs.ParamDefs().size(); ++i)
        EXPECT_EQ(m_defs.ParamDefs()[i].paramNo, static_cast<int32_t>(i));
}

TEST_F(ShippedDefinitions, ParametersAreSane)
{
    const auto& defs = m_defs.ParamDefs();
    bool anyMerged = false, anyUnrecorded = false;
    std::set<std::string> names;
    for (const vy::ParamDef& p : defs) {
        EXPECT_TRUE(names.insert(p.name).second) << "duplicate name " << p.name;
        EXPECT_LE(p.minVal, p.defVal) << p.name;
        EXPECT_LE(p.defVal, p.maxVal) << p.name;
        EXPECT_GE(p.minVal, 0) << p.name;
        EXPECT_LE(p.maxVal, 8191) << p.name << ": values carry 13 bits";
        EXPECT_EQ(p.valByte & ~7, 0) << p.name;
        anyUnrecorded |= p.bRecord == 0;
        if (p.bitMerge) {
            anyMerged = true;
            ASSERT_TRUE(m_defs.IsValidParam(p.mergeNo)) << p.name;
            const vy::ParamDef& carrier = defs[p.mergeNo];
            EXPECT_EQ(carrier.bitMerge, 0) << p.name;
            EXPECT_EQ(carrier.sendDevice, 0) << "the carrier of " << p.name << " is sent by its parts";
            // Fields of one word never overlap at their widest value.
            EXPECT_GE(p.mergeStartBit, p.mergeEndBit) << p.name;
            EXPECT_LT(uint32_t(p.maxVal), 1u << (p.mergeStartBit - p.mergeEndBit + 1)) << p.name;
        }
    }
    EXPECT_TRUE(anyMerged);
    EXPECT_TRUE(anyUnrecorded);
    // Parts of one word use disjoint bits.
    std::map<int32_t, uint32_t> used;
    for (const vy::ParamDef& p : defs)
        if (p.bitMerge) {
            uint32_t bits = ((2u << (p.mergeStartBit - p.mergeEndBit)) - 1) << p.mergeEndBit;
            EXPECT_EQ(used[p.mergeNo] & bits, 0u) << p.name;
            used[p.mergeNo] |= bits;
        }
}

TEST_F(ShippedDefinitions, GroupsNameRealParameters)
{
    ASSERT_FALSE(m_defs.GroupDefs().empty());
    for (size_t g = 0; g < m_defs.GroupDefs().size(); ++g) {
        const vy::GroupDef& group = m_defs.GroupDefs()[g];
        EXPECT_EQ(group.nParam, static_cast<int32_t>(group.paramNos.size())) << group.name;
        EXPECT_EQ(m_defs.GroupParamNumbers(g), group.paramNos) << group.name;
    }
    EXPECT_EQ(m_defs.EqBandCount(), 10);
    EXPECT_EQ(m_defs.EqFirstParam(), 14);  // the bands an effect file flattens
    for (int32_t band = 0; band < m_defs.EqBandCount(); ++band) {
        const vy::ParamDef& p = m_defs.ParamDefs()[m_defs.EqFirstParam() + band];
        EXPECT_EQ(p.minVal, 0);
        EXPECT_EQ(p.maxVal, 24);
        EXPECT_EQ(p.defVal, 12);
    }
    EXPECT_EQ(m_defs.ParamDefs()[m_defs.EffectNumberParam()].maxVal, 255);
}

TEST_F(ShippedDefinitions, EffectsAreCompleteAndInRange)
{
    EXPECT_EQ(m_defs.DefaultEffectCount(), 8);
    EXPECT_EQ(m_defs.DeviceCustomEffectCount(), 4);
    std::set<std::string> names;
    const auto& defs = m_defs.ParamDefs();
    auto check = [&](const vy::EffectRecord& e) {
        EXPECT_TRUE(names.insert(e.Name()).second) << "duplicate effect name " << e.Name();
        for (size_t i = 0; i < defs.size(); ++i) {
            EXPECT_GE(e.values[i], defs[i].minVal) << e.Name() << " " << defs[i].name;
            EXPECT_LE(e.values[i], defs[i].maxVal) << e.Name() << " " << defs[i].name;
        }
        // A carrier holds nothing of its own; the word comes from the parts.
        std::span<const int32_t> values(e.values);
        for (const auto& [mergeNo, part] : m_defs.Merges()) {
            EXPECT_EQ(e.values[mergeNo], 0) << e.Name();
            vy::ParamWords words;
            vy::ComposeFullSet(defs, values, true, words);
            EXPECT_EQ(words[mergeNo], vy::ComposeMerged(defs, m_defs.Merges(), values, mergeNo)) << e.Name();
        }
    };
    const int32_t number = m_defs.EffectNumberParam();
    for (int32_t g = 0; g < m_defs.DeviceEffectCount(); ++g) {
        const vy::EffectRecord& e = m_defs.Effects()[g];
        check(e);
        if (g < m_defs.DefaultEffectCount())
            EXPECT_EQ(e.values[number], g) << e.Name() << ": a built-in effect is selected by its index";
        else
            EXPECT_EQ(e.values[number] >> 4, g - m_defs.DefaultEffectCount() + 1) << e.Name();
    }
    for (const vy::EffectRecord& e : m_defs.EffectFiles()) {
        check(e);
        for (int32_t band = 0; band < m_defs.EqBandCount(); ++band)
            EXPECT_EQ(e.values[m_defs.EqFirstParam() + band], 12) << e.Name() << ": the file brings its own filters";
    }
}

TEST_F(ShippedDefinitions, RulesFitTheCard)
{
    EXPECT_EQ(m_rules.Adpcm(), 0);
    EXPECT_EQ(m_rules.SoundSampleRate(), 44100);
    EXPECT_EQ(m_rules.ChannelNum(), 1);
    EXPECT_EQ(m_rules.BitPerSample(), 16);
    EXPECT_EQ(m_rules.MaxInterceptDurations().size(), 6u);  // slot numbers 1 to 5 index it directly
    EXPECT_NE(m_rules.SupportCustomSync(), 0);
    EXPECT_NE(m_rules.SupportSyncDeviceParams(), 0);
    for (const auto& [key, rule] : m_rules.EffectRules())
        EXPECT_LT(key, m_defs.DefaultEffectCount()) << "rules are keyed by built-in effect numbers";
    ASSERT_TRUE(m_rules.Find(5).has_value());
    EXPECT_TRUE(m_rules.Find(5)->IsSwitchToPitchTabPage);
}

// Each effect file named by the effect document is shipped, in the card's
// two-list layout.
class ShippedEffectFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ShippedEffectFile, HasTheTwoListLayout)
{
    const std::string bytes = vy::test::ReadFileBytes(DataDir() + "/res/" + GetParam());
    ASSERT_GE(bytes.size(), 8u) << GetParam();
    ASSERT_LE(bytes.size(), 65536u) << GetParam();
    uint32_t a = 0, b = 0;
    std::memcpy(&a, bytes.data(), 4);
    std::memcpy(&b, bytes.data() + 4, 4);
    EXPECT_EQ(a % 8, 0u);
    EXPECT_EQ(b % 8, 0u);
    EXPECT_GT(a, 0u);
    EXPECT_GT(b, 0u);
    EXPECT_EQ(bytes.size(), 8 + 8 * (a / 8) + 8 * (b / 8)) << GetParam();
}

std::vector<std::string> EffectFilePaths()
{
    vy::CFolderResourceProvider resources(DataDir() + "/archive/DATA", "DATA");
    vy::CDefinitions defs;
    defs.LoadEffectFiles(resources, "effect");
    std::vector<std::string> paths;
    for (const vy::EffectRecord& e : defs.EffectFiles())
        paths.push_back(e.Path());
    return paths;
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedEffectFile, ::testing::ValuesIn(EffectFilePaths()), [](const auto& param) {
    return fs::path(param.param).stem().string();
});

TEST(ShippedData, EveryEffectFileIsNamedByTheEffectDocument)
{
    std::vector<std::string> named = EffectFilePaths();
    ASSERT_EQ(named.size(), 3u);
    std::vector<std::string> shipped = FilesUnder(DataDir() + "/res", ".eff");
    std::sort(named.begin(), named.end());
    EXPECT_EQ(shipped, named);
}

TEST(ShippedData, BuiltArchiveHoldsTheDocuments)
{
    vy::CArchiveResourceProvider archive;
    ASSERT_TRUE(archive.Open(BuiltArchive())) << BuiltArchive();
    for (const std::string& file : FilesUnder(DataDir() + "/archive", ".xml")) {
        fs::path path(file);
        std::string content;
        ASSERT_TRUE(archive.Find(path.parent_path().string(), path.stem().string(), content)) << file;
        EXPECT_EQ(content, vy::test::ReadFileBytes(DataDir() + "/archive/" + file)) << file;
    }
    // And the program reads the same definitions from it.
    vy::CDefinitions defs;
    vy::EffectRecord current;
    vy::LoadReport report;
    EXPECT_TRUE(defs.LoadAll(archive, "effect", current, &report));
    EXPECT_TRUE(report.Clean());
    EXPECT_EQ(defs.DeviceEffectCount(), 12);
    // The built resource folder has the effect files beside the archive.
    for (const std::string& path : EffectFilePaths())
        EXPECT_TRUE(fs::is_regular_file(fs::path(BuiltArchive()).parent_path() / path)) << path;
}
