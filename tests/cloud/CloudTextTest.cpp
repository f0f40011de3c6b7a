// Reading untrusted answers, naming downloaded files and finding the service:
// the parts of the cloud client that need no network.
#include "cloud/CloudConfig.h"
#include "cloud/CloudFileName.h"
#include "cloud/CloudReply.h"
#include "tests/support/TempDir.h"

#include "base/PrivateProfile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace vy::test {
namespace {

TEST(CloudReply, EnvelopeDecidesSuccessAndFailureText)
{
    struct Case {
        std::string text;
        bool ok;
        std::string failure;  // when not ok
        unsigned items;       // when ok
    };
    const std::string deep = std::string(5000, '[') + std::string(5000, ']');
    const std::vector<Case> cases = {
        {R"({"message":"ok","data":[1,2]})", true, "", 2},
        {R"({"message":"OK","data":[{}]})", true, "", 1},
        {R"({"message":"oK"})", true, "", 0},
        {R"({"message":"ok","data":null})", true, "", 0},
        {R"({"message":"服务器维护中","data":[1]})", false, "服务器维护中", 0},
        {R"({"message":"","data":[]})", false, "", 0},
        {R"({"message":"ok ","data":[]})", false, "ok ", 0},
        {R"({"message":"ok","data":{"a":1}})", false, "PARSE", 0},
        {R"({"message":7,"data":[]})", false, "PARSE", 0},
        {R"({"data":[]})", false, "PARSE", 0},
        {R"([{"message":"ok"}])", false, "PARSE", 0},
        {R"({"message":"ok","data":[)", false, "PARSE", 0},
        {"", false, "PARSE", 0},
        {"<html>busy</html>", false, "PARSE", 0},
        {deep, false, "PARSE", 0},
        {"{\"message\":\"bad \xFF byte\"}", false, "bad \xEF\xBF\xBD byte", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        Json::Value data;
        std::string failure = "unchanged";
        bool ok = ReadCloudReply(c.text, "PARSE", data, failure);
        EXPECT_EQ(ok, c.ok);
        if (ok) {
            EXPECT_TRUE(data.isArray());
            EXPECT_EQ(data.size(), c.items);
        } else {
            EXPECT_EQ(failure, c.failure);
        }
    }
}

TEST(CloudReply, LooseIntegerFields)
{
    struct Case {
        std::string json;
        int expected;
    };
    const std::vector<Case> cases = {
        {"12", 12},          {"-4", -4},           {"\"42\"", 42},       {"\" 7x\"", 7},
        {"\"abc\"", 0},      {"\"\"", 0},          {"3.9", 3},           {"true", 0},
        {"null", 0},         {"[1]", 0},           {"9999999999", INT_MAX}, {"-9999999999", INT_MIN},
        {"\"99999999999999999999\"", INT_MAX},     {"18446744073709551615", INT_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        Json::Value data;
        std::string failure;
        ASSERT_TRUE(ReadCloudReply(R"({"message":"ok","data":[)" + c.json + "]}", "PARSE", data, failure));
        EXPECT_EQ(CloudJsonInt(data[0]), c.expected);
    }
}

TEST(CloudReply, CuttingTextNeverSplitsACharacter)
{
    EXPECT_EQ(CutUtf8Bytes("abc", 63), "abc");
    EXPECT_EQ(CutUtf8Bytes("ab中", 4), "ab");         // 中 is 3 bytes
    EXPECT_EQ(CutUtf8Bytes("ab中", 5), "ab中");
    bool fits = true;
    EXPECT_EQ(CutUtf16Units("a😀b", 2, &fits), "a");  // the emoji takes two units
    EXPECT_FALSE(fits);
    EXPECT_EQ(CutUtf16Units("a😀b", 3, &fits), "a😀");
    EXPECT_EQ(CutUtf16Units("short", 31, &fits), "short");
    EXPECT_TRUE(fits);
    EXPECT_EQ(DoubleAmpersands("R&B & Soul"), "R&&B && Soul");
    EXPECT_EQ(ShownLabelText("R&&B && Soul"), "R&B & Soul");
}

TEST(CloudFileName, NamesFromUrlsStayInsideTheirFolder)
{
    struct Case {
        std::string url;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"http://host/files/laugh.mp3", "laugh.mp3"},
        {"http://host/a/b/c/%E5%A4%A7%E7%AC%91.mp3", "%E5%A4%A7%E7%AC%91.mp3"},
        {"http://host/files/laugh.mp3?token=../../x", "laugh.mp3"},
        {"http://host/files/laugh.mp3#/../../x", "laugh.mp3"},
        {"http://host/files/大笑.mp3", "大笑.mp3"},
        {"laugh.mp3", "57.mp3"},                        // no "/" at all
        {"", "57.mp3"},
        {"http://host", "57.mp3"},                      // a host is no file name
        {"http://host/", "57.mp3"},
        {"http://host/files/", "57.mp3"},
        {"http://host/files/..", "57.mp3"},
        {"http://host/files/.", "57.mp3"},
        {"http://host/../../etc/passwd", "passwd"},     // only the last segment counts
        {"http://host/files/..\\..\\evil.mp3", "57.mp3"},
        {"http://host/files/a\\b.mp3", "57.mp3"},
        {"http://host/files/bad\nname.mp3", "57.mp3"},
        {"http://host/files/bad\x7Fname.mp3", "57.mp3"},
        {"http://host/files/" + std::string(256, 'x'), "57.mp3"},
        {"http://host/files/" + std::string(255, 'x'), std::string(255, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::string name = CloudFileNameFromUrl(c.url, 57, ".mp3");
        EXPECT_EQ(name, c.expected);
        EXPECT_TRUE(IsSafeSingleFileName(name));
    }
}

TEST(CloudFileName, CloudSoundPathCreatesItsFolder)
{
    CTempDir dir;
    std::string path = CloudSoundFilePath(dir.Path(), "http://h/x/../y", 12);
    EXPECT_EQ(path, dir.Path() + "/CloudSound/y");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/CloudSound"));
    EXPECT_EQ(CloudSoundFilePath(dir.Path(), "http://h/x/..", 12), dir.Path() + "/CloudSound/12.mp3");
    // A file where the folder should be: no path rather than a wrong one.
    WriteFileBytes(dir.File("blocked"), "x");
    EXPECT_EQ(CloudSoundFilePath(dir.File("blocked"), "http://h/a.mp3", 1), "");
    EXPECT_EQ(CloudEffectFolderPath(dir.Path(), "../outside"), "");
    // No folder configured: nothing lands at the root of the file system.
    EXPECT_EQ(CloudSoundFilePath("", "http://h/a.mp3", 1), "");
    EXPECT_EQ(CloudEffectFolderPath("", "CloudEffect"), "");
    EXPECT_EQ(CloudEffectFolderPath(dir.Path(), "CloudEffect"), dir.Path() + "/CloudEffect");
}

class CloudBaseUrl : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* saved = std::getenv(CCloudConfig::kEnvironmentVariable);
        m_hadEnvironment = saved != nullptr;
        if (saved)
            m_savedEnvironment = saved;
        ::unsetenv(CCloudConfig::kEnvironmentVariable);
    }
    void TearDown() override
    {
        if (m_hadEnvironment)
            ::setenv(CCloudConfig::kEnvironmentVariable, m_savedEnvironment.c_str(), 1);
        else
            ::unsetenv(CCloudConfig::kEnvironmentVariable);
    }
    bool m_hadEnvironment = false;
    std::string m_savedEnvironment;
};

TEST_F(CloudBaseUrl, EnvironmentThenDeviceCfgThenDefault)
{
    struct Case {
        const char* environment;  // nullptr: unset
        const char* stored;       // nullptr: no key
        std::string expected;
    };
    const std::string fallback = CCloudConfig::kDefaultBaseUrl;
    const std::vector<Case> cases = {
        {nullptr, nullptr, fallback},
        {nullptr, "http://cloud.example:9000/tuning", "http://cloud.example:9000/tuning"},
        {nullptr, "https://cloud.example/tuning/", "https://cloud.example/tuning"},
        {"http://127.0.0.1:1234/tuning", "http://cloud.example/tuning", "http://127.0.0.1:1234/tuning"},
        {"ftp://x/tuning", "http://cloud.example/tuning", "http://cloud.example/tuning"},
        {"", "http://cloud.example/tuning", "http://cloud.example/tuning"},
        {nullptr, "file:///etc/tuning", fallback},
        {nullptr, "http:///tuning", fallback},
        {nullptr, "http://with space/tuning", fallback},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.environment ? c.environment : "-") + " / " + (c.stored ? c.stored : "-"));
        CTempDir dir;
        std::string cfg = dir.File("device.cfg");
        if (c.stored) {
            ASSERT_TRUE(CPrivateProfile::WriteString(cfg, "Cloud", "BaseUrl", c.stored));
        }
        if (c.environment)
            ::setenv(CCloudConfig::kEnvironmentVariable, c.environment, 1);
        else
            ::unsetenv(CCloudConfig::kEnvironmentVariable);
        EXPECT_EQ(CCloudConfig::ResolveBaseUrl(cfg), c.expected);
    }
    ::unsetenv(CCloudConfig::kEnvironmentVariable);
    EXPECT_EQ(CCloudConfig::ResolveBaseUrl(""), fallback);
}

}  // namespace
}  // namespace vy::test
