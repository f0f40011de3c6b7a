#include "base/PrivateProfile.h"
#include "base/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

using vy::CPrivateProfile;
using vy::test::CTempDir;
using vy::test::ReadFileBytes;
using vy::test::WriteFileBytes;

namespace {

// UTF-16LE bytes of `text` (UTF-8), with the byte-order mark in front.
std::string Utf16File(const std::string& text)
{
    std::u16string units = u"\xFEFF" + vy::Utf8ToUtf16(text);
    std::string bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

}  // namespace

TEST(PrivateProfile, ChineseTextRoundTrips)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    ASSERT_TRUE(CPrivateProfile::WriteString(file, "音效", "名称", "欢迎大哥 🎤"));
    ASSERT_TRUE(CPrivateProfile::WriteString(file, "StringSettings", "LatestPrjFile", "/家/录音.mp3"));
    EXPECT_EQ(CPrivateProfile::GetString(file, "音效", "名称"), "欢迎大哥 🎤");
    EXPECT_EQ(CPrivateProfile::GetString(file, "stringsettings", "LATESTPRJFILE"), "/家/录音.mp3");
    EXPECT_EQ(CPrivateProfile::GetString(file, "音效", "absent", "默认"), "默认");
}

// A file laid out exactly as the Windows calls lay it out: the mark, CRLF
// lines, no blank line between sections, structs as uppercase hex plus sum.
TEST(PrivateProfile, ReadsAndWritesTheWindowsLayoutByteForByte)
{
    const std::string windowsText =
        "[Settings]\r\n"
        "CloseBtnOperation=1\r\n"
        "MainWndWidth=-20\r\n"
        "[LastStatus]\r\n"
        "CurrentEffect=0102FF02\r\n"
        "[StringSettings]\r\n"
        "LatestPrjFile=C:\\录音\\a.mp3\r\n";
    CTempDir dir;
    const std::string windowsFile = dir.File("windows.db");
    WriteFileBytes(windowsFile, Utf16File(windowsText));

    EXPECT_EQ(CPrivateProfile::GetInt(windowsFile, "settings", "closebtnoperation", 7), 1);
    EXPECT_EQ(CPrivateProfile::GetInt(windowsFile, "Settings", "MainWndWidth", 0), -20);
    std::array<unsigned char, 3> record{};
    ASSERT_TRUE(CPrivateProfile::GetStruct(windowsFile, "LastStatus", "CurrentEffect", record.data(), 3));
    EXPECT_EQ(record, (std::array<unsigned char, 3>{0x01, 0x02, 0xFF}));
    EXPECT_EQ(CPrivateProfile::GetString(windowsFile, "StringSettings", "LatestPrjFile"), "C:\\录音\\a.mp3");

    // The same calls on a fresh file give the same bytes.
    const std::string ours = dir.File("ours.db");
    ASSERT_TRUE(CPrivateProfile::CreateIfMissing(ours));
    EXPECT_EQ(ReadFileBytes(ours), Utf16File(""));
    ASSERT_TRUE(CPrivateProfile::WriteInt(ours, "Settings", "CloseBtnOperation", 1));
    ASSERT_TRUE(CPrivateProfile::WriteInt(ours, "Settings", "MainWndWidth", -20));
    const unsigned char bytes[] = {0x01, 0x02, 0xFF};
    ASSERT_TRUE(CPrivateProfile::WriteStruct(ours, "LastStatus", "CurrentEffect", bytes, sizeof bytes));
    ASSERT_TRUE(CPrivateProfile::WriteString(ours, "StringSettings", "LatestPrjFile", "C:\\录音\\a.mp3"));
    EXPECT_EQ(ReadFileBytes(ours), Utf16File(windowsText));

    // Rewriting a value changes only its line.
    ASSERT_TRUE(CPrivateProfile::WriteInt(windowsFile, "SETTINGS", "closebtnoperation", 0));
    std::string expected = windowsText;
    expected.replace(expected.find("CloseBtnOperation=1"), 19, "CloseBtnOperation=0");
    EXPECT_EQ(ReadFileBytes(windowsFile), Utf16File(expected));
}

TEST(PrivateProfile, StructIsAcceptedOnlyWithMatchingSizeAndChecksum)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    struct Case {
        const char* value;
        size_t size;
        bool accepted;
    } cases[] = {
        {"0102FF02", 3, true},    // 1 + 2 + 255 = 258 -> 0x02
        {"0102ff02", 3, true},    // lower-case digits read too
        {"0102FF03", 3, false},   // wrong checksum
        {"0102FF02", 2, false},   // size mismatch
        {"0102FF02", 4, false},
        {"0102FG02", 3, false},   // not hex
        {"", 0, false},           // no checksum at all
        {"00", 0, true},          // empty record, checksum 0
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CPrivateProfile::WriteString(file, "HotkeyMood", "0", c.value));
        std::array<unsigned char, 4> out{0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(CPrivateProfile::GetStruct(file, "HotkeyMood", "0", out.data(), c.size), c.accepted)
            << c.value << " size " << c.size;
        if (!c.accepted) {
            EXPECT_EQ(out[0], 0xAA) << "a refused record leaves the output alone";
        }
    }
    EXPECT_EQ(vy::EncodeProfileStruct("\x01\x02\xFF", 3), "0102FF02");
}

TEST(PrivateProfile, IntegersReadLikeTheWindowsCall)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    struct Case {
        const char* value;
        int expected;
    } cases[] = {
        {"42", 42},      {"  17", 17},   {"-5", -5},        {"+8", 8},          {"12abc", 12},
        {"abc", 0},      {"0x10", 0},    {"\"9\"", 9},      {"4294967295", -1}, {"", 77},
        {"-", 0},        {"007", 7},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CPrivateProfile::WriteString(file, "S", "k", c.value));
        EXPECT_EQ(CPrivateProfile::GetInt(file, "S", "k", 77), c.expected) << "value '" << c.value << "'";
    }
    EXPECT_EQ(CPrivateProfile::GetInt(file, "S", "missing", 77), 77);
    EXPECT_EQ(CPrivateProfile::GetInt(dir.File("no-such-file"), "S", "k", 3), 3);
}

TEST(PrivateProfile, FirstMatchWinsAndQuotesAreStripped)
{
    CTempDir dir;
    const std::string file = dir.File("dup.db");
    WriteFileBytes(file, Utf16File("[A]\r\nk=first\r\nK=second\r\n[a]\r\nk=third\r\n[B]\r\n q = \"quoted value\" \r\n"));
    EXPECT_EQ(CPrivateProfile::GetString(file, "a", "k"), "first");
    EXPECT_EQ(CPrivateProfile::GetString(file, "B", "Q"), "quoted value");
    auto entries = CPrivateProfile::SectionEntries(file, "A");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].second, "second");
}

TEST(PrivateProfile, DeleteKeyAndSection)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    ASSERT_TRUE(CPrivateProfile::WriteInt(file, "EffectHotKey", "count", 2));
    ASSERT_TRUE(CPrivateProfile::WriteInt(file, "EffectHotKey", "3", 131121));
    ASSERT_TRUE(CPrivateProfile::WriteInt(file, "Other", "x", 1));
    ASSERT_TRUE(CPrivateProfile::DeleteKey(file, "effecthotkey", "3"));
    EXPECT_EQ(CPrivateProfile::GetInt(file, "EffectHotKey", "3", -1), -1);
    ASSERT_TRUE(CPrivateProfile::DeleteSection(file, "EFFECTHOTKEY"));
    EXPECT_EQ(CPrivateProfile::GetInt(file, "EffectHotKey", "count", -1), -1);
    EXPECT_EQ(ReadFileBytes(file), Utf16File("[Other]\r\nx=1\r\n"));
    EXPECT_TRUE(CPrivateProfile::DeleteKey(file, "Nothing", "here"));
}

TEST(PrivateProfile, NewKeyGoesAtTheEndOfItsSection)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    WriteFileBytes(file, Utf16File("; comment\r\n[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"));
    ASSERT_TRUE(CPrivateProfile::WriteString(file, "A", "c", "3"));
    EXPECT_EQ(ReadFileBytes(file), Utf16File("; comment\r\n[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n"));
}

TEST(PrivateProfile, WritesFromTwoThreadsLoseNothing)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    ASSERT_TRUE(CPrivateProfile::CreateIfMissing(file));
    constexpr int kKeys = 100;
    auto writer = [&](const char* section) {
        for (int i = 0; i < kKeys; ++i)
            CPrivateProfile::WriteInt(file, section, std::to_string(i), i * 3);
    };
    std::thread a(writer, "ThreadA");
    std::thread b(writer, "ThreadB");
    a.join();
    b.join();
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(CPrivateProfile::GetInt(file, "ThreadA", std::to_string(i), -1), i * 3);
        EXPECT_EQ(CPrivateProfile::GetInt(file, "ThreadB", std::to_string(i), -1), i * 3);
    }
}

TEST(PrivateProfile, DamagedFilesReadWhatTheyCan)
{
    const std::string good = Utf16File("[S]\r\nk=v\r\n");
    struct Case {
        const char* name;
        std::string bytes;
        const char* expected;  // value of [S] k
    } cases[] = {
        {"odd byte count", good + "X", "v"},
        {"no byte-order mark", good.substr(2), "v"},
        {"UTF-8 text", "[S]\nk=v\n", "v"},
        {"UTF-8 with mark", "\xEF\xBB\xBF[S]\r\nk=v", "v"},
        {"NUL inside a line", Utf16File("[S]\r\nk=v") + std::string("\0\0x\0=\0", 6), "v"},
        {"garbage bytes", std::string("\xFF\xFE\x00\xD8\x41\x00\n\0[\0S\0]\0\n\0k\0=\0v\0", 22), "v"},
        {"overlong line", Utf16File("[S]\r\nlong=" + std::string(200000, 'x') + "\r\nk=v\r\n"), "v"},
        {"only garbage", std::string("\x01\x02\x03\x04\x05", 5), ""},
        {"empty file", "", ""},
        {"header without bracket", Utf16File("[S\r\nk=v\r\n"), ""},
    };
    CTempDir dir;
    for (const Case& c : cases) {
        const std::string file = dir.File("damaged.db");
        WriteFileBytes(file, c.bytes);
        EXPECT_EQ(CPrivateProfile::GetString(file, "S", "k"), c.expected) << c.name;
        // A write to a damaged file succeeds and leaves a well-formed file.
        ASSERT_TRUE(CPrivateProfile::WriteString(file, "New", "key", "值")) << c.name;
        EXPECT_EQ(CPrivateProfile::GetString(file, "New", "key"), "值") << c.name;
    }
}

TEST(PrivateProfile, RefusesWhatCannotBeStored)
{
    CTempDir dir;
    const std::string file = dir.File("data.db");
    EXPECT_FALSE(CPrivateProfile::WriteString("", "S", "k", "v"));
    EXPECT_FALSE(CPrivateProfile::WriteString(file, "", "k", "v"));
    EXPECT_FALSE(CPrivateProfile::WriteString(file, "S", "a=b", "v"));
    EXPECT_FALSE(CPrivateProfile::WriteString(dir.File("missing/folder/x.db"), "S", "k", "v"));
    // A value with line breaks stays one line.
    ASSERT_TRUE(CPrivateProfile::WriteString(file, "S", "k", "one\r\ntwo"));
    EXPECT_EQ(CPrivateProfile::GetString(file, "S", "k"), "one  two");
    EXPECT_TRUE(CPrivateProfile::SectionNames(file) == std::vector<std::string>{"S"});
}

TEST(PrivateProfile, BatchWritesTheFileOnceOrNotAtAll)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    ASSERT_TRUE(CPrivateProfile::WriteInt(file, "Config", "Volume", 50));
    const std::string before = ReadFileBytes(file);
    {
        vy::CProfileBatch batch(file);
        ASSERT_TRUE(CPrivateProfile::DeleteSection(file, "Config"));
        ASSERT_TRUE(CPrivateProfile::WriteInt(file, "HotkeyMood", "count", 1));
        EXPECT_EQ(CPrivateProfile::GetInt(file, "HotkeyMood", "count", 0), 1) << "reads see the batch";
        EXPECT_EQ(ReadFileBytes(file), before) << "nothing reaches the file before the commit";
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(ReadFileBytes(file), Utf16File("[HotkeyMood]\r\ncount=1\r\n"));

    const std::string committed = ReadFileBytes(file);
    {
        vy::CProfileBatch batch(file);
        ASSERT_TRUE(CPrivateProfile::DeleteSection(file, "HotkeyMood"));
        batch.Abort();
    }
    EXPECT_EQ(ReadFileBytes(file), committed);
    EXPECT_EQ(CPrivateProfile::GetInt(file, "HotkeyMood", "count", 0), 1) << "an aborted batch is forgotten";

    // A batch whose file cannot be written reports it.
    vy::CProfileBatch broken(dir.File("missing/folder/x.db"));
    ASSERT_TRUE(CPrivateProfile::WriteInt(dir.File("missing/folder/x.db"), "A", "b", 1));
    EXPECT_FALSE(broken.Commit());
}
