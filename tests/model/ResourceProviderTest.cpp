#include "model/ArchiveResourceProvider.h"
#include "model/ChainResourceProvider.h"
#include "model/FolderResourceProvider.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <filesystem>
#include <thread>

using vy::CArchiveResourceProvider;
using vy::CChainResourceProvider;
using vy::CFolderResourceProvider;
using vy::test::CTempDir;

namespace {

struct StoredFile {
    std::string path;
    std::string content;
    bool encrypted = false;
};

// Writes a real ZIP archive with minizip's writer; `stored` keeps the bytes
// uncompressed so that a test can damage them in place.
void WriteArchive(const std::string& file, const std::vector<StoredFile>& entries, bool stored = false)
{
    zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const StoredFile& entry : entries) {
        zip_fileinfo info{};
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()),
                                static_cast<uInt>(entry.content.size()));
        int method = stored ? 0 : Z_DEFLATED;
        int opened = zipOpenNewFileInZip3_64(zip, entry.path.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                             Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                             entry.encrypted ? "secret" : nullptr, crc, 0);
        ASSERT_EQ(opened, ZIP_OK) << entry.path;
        if (!entry.content.empty()) {
            ASSERT_EQ(zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size())),
                      ZIP_OK);
        }
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

const std::vector<StoredFile> kStore = {
    {"DATA/parameter.xml", "P1"},
    {"data/PARAMETER.txt", "P2"},  // a second match: the first one wins
    {"DATA/rule", "R"},
    {"DATA/effect.xml.bak", "X"},
    {"DATA/sub/ui.xml", "nested"},
    {"LAYOUT/XML_MAINWND.xml", "L"},
    {"IMG/image_logo.png", "I"},
    {"IMG/a.b.png", "AB"},
    {"top.xml", "T"},
};

struct LookupCase {
    const char* type;
    const char* name;
    const char* content;  // null: not found
};

const LookupCase kLookups[] = {
    {"DATA", "parameter", "P1"},
    {"data", "PARAMETER", "P1"},
    {"Data", "rule", "R"},
    {"DATA", "effect", nullptr},  // "effect.xml.bak" is not "effect" plus one extension
    {"DATA", "effect.xml", "X"},
    {"DATA", "ui", nullptr},      // only files directly in the type's folder
    {"DATA", "sub", nullptr},
    {"LAYOUT", "xml_mainwnd", "L"},
    {"IMG", "image_logo", "I"},
    {"IMG", "a.b", "AB"},
    {"IMG", "a", nullptr},
    {"", "top", "T"},
    {"", "parameter", nullptr},
    {"DATA", "param", nullptr},
    {"DATA", "", nullptr},
    {"DATA", "../DATA/parameter", nullptr},
    {"..", "parameter", nullptr},
    {"DATA/..", "top", nullptr},
    {"SMENU", "menu_tray", nullptr},
};

void CheckLookups(const vy::IResourceProvider& provider, const char* what)
{
    for (const LookupCase& c : kLookups) {
        std::string content = "untouched";
        bool found = provider.Find(c.type, c.name, content);
        if (c.content) {
            EXPECT_TRUE(found) << what << ": " << c.type << ":" << c.name;
            EXPECT_EQ(content, c.content) << what << ": " << c.type << ":" << c.name;
        } else {
            EXPECT_FALSE(found) << what << ": " << c.type << ":" << c.name;
            EXPECT_EQ(content, "untouched") << what << ": " << c.type << ":" << c.name;
        }
    }
}

}  // namespace

TEST(ResourceLookup, ArchiveFollowsThePathRule)
{
    CTempDir dir;
    std::vector<StoredFile> entries = kStore;
    entries.push_back({"DATA/", ""});  // a folder entry is not a resource
    WriteArchive(dir.File("layout"), entries);
    CArchiveResourceProvider archive;
    ASSERT_TRUE(archive.Open(dir.File("layout")));
    CheckLookups(archive, "archive");
    std::string content;
    EXPECT_FALSE(archive.Find("DATA", "", content));
}

TEST(ResourceLookup, ArchiveMadeOnWindowsUsesBackslashes)
{
    CTempDir dir;
    WriteArchive(dir.File("layout"), {{"DATA\\win.xml", "W"}});
    CArchiveResourceProvider archive;
    ASSERT_TRUE(archive.Open(dir.File("layout")));
    std::string content;
    EXPECT_TRUE(archive.Find("DATA", "win", content));
    EXPECT_EQ(content, "W");
}

TEST(ResourceLookup, FolderFollowsThePathRule)
{
    CTempDir dir;
    for (const StoredFile& file : kStore) {
        std::filesystem::path path = std::filesystem::path(dir.Path()) / file.path;
        std::filesystem::create_directories(path.parent_path());
        vy::test::WriteFileBytes(path.string(), file.content);
    }
    CFolderResourceProvider folder(dir.Path());
    CheckLookups(folder, "folder");
    // The second folder of the type is searched when the first lacks the name.
    vy::test::WriteFileBytes(dir.File("data/only_here.xml"), "O");
    std::string content;
    EXPECT_TRUE(folder.Find("DATA", "only_here", content));
    EXPECT_EQ(content, "O");
}

TEST(ResourceLookup, DocumentFolderServesOneType)
{
    CTempDir dir;
    vy::test::WriteFileBytes(dir.File("Parameter.XML"), "doc");
    CFolderResourceProvider documents(dir.Path(), "DATA");
    std::string content;
    EXPECT_TRUE(documents.Find("data", "parameter", content));
    EXPECT_EQ(content, "doc");
    EXPECT_FALSE(documents.Find("LAYOUT", "parameter", content));
    EXPECT_FALSE(documents.Find("", "parameter", content));
    CFolderResourceProvider missing(dir.File("absent"), "DATA");
    EXPECT_FALSE(missing.Find("DATA", "parameter", content));
}

TEST(ResourceLookup, DamagedArchivesFindNothing)
{
    CTempDir dir;
    WriteArchive(dir.File("good"), kStore);
    const std::string good = vy::test::ReadFileBytes(dir.File("good"));
    struct Case {
        const char* label;
        std::string bytes;
        bool exists;
    } cases[] = {
        {"missing", "", false},
        {"empty", "", true},
        {"not a zip", "<VyAudio/> plain text, not an archive at all", true},
        {"cut in half", good.substr(0, good.size() / 2), true},
        {"index cut off", good.substr(0, good.size() - 10), true},
    };
    for (const Case& c : cases) {
        const std::string file = dir.File(std::string("case_") + c.label);
        if (c.exists)
            vy::test::WriteFileBytes(file, c.bytes);
        CArchiveResourceProvider archive;
        EXPECT_FALSE(archive.Open(file)) << c.label;
        EXPECT_FALSE(archive.IsOpen()) << c.label;
        std::string content = "untouched";
        EXPECT_FALSE(archive.Find("DATA", "parameter", content)) << c.label;
        EXPECT_EQ(content, "untouched") << c.label;
    }
    // A provider that failed to open stays usable for a good archive.
    CArchiveResourceProvider archive;
    EXPECT_FALSE(archive.Open(dir.File("case_missing")));
    EXPECT_TRUE(archive.Open(dir.File("good")));
    std::string content;
    EXPECT_TRUE(archive.Find("DATA", "parameter", content));
}

TEST(ResourceLookup, DamagedOrEncryptedEntriesAreNotFound)
{
    CTempDir dir;
    const std::string marker = "<VyAudio><Rule>stored bytes to be damaged</Rule></VyAudio>";
    WriteArchive(dir.File("layout"),
                 {{"DATA/rule.xml", marker}, {"DATA/secret.xml", "hidden", true}, {"DATA/parameter.xml", "P"}},
                 true);
    std::string bytes = vy::test::ReadFileBytes(dir.File("layout"));
    size_t at = bytes.find("to be damaged");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'T';  // the stored checksum no longer matches
    vy::test::WriteFileBytes(dir.File("layout"), bytes);

    CArchiveResourceProvider archive;
    ASSERT_TRUE(archive.Open(dir.File("layout")));
    std::string content = "untouched";
    EXPECT_FALSE(archive.Find("DATA", "rule", content));
    EXPECT_FALSE(archive.Find("DATA", "secret", content));
    EXPECT_EQ(content, "untouched");
    EXPECT_TRUE(archive.Find("DATA", "parameter", content));
    EXPECT_EQ(content, "P");
}

TEST(ResourceLookup, ChainAsksTheArchiveFirst)
{
    CTempDir dir;
    WriteArchive(dir.File("layout"), {{"DATA/parameter.xml", "from archive"}});
    std::filesystem::create_directories(dir.File("exe/DATA"));
    vy::test::WriteFileBytes(dir.File("exe/DATA/parameter.xml"), "from folder");
    vy::test::WriteFileBytes(dir.File("exe/DATA/rule.xml"), "rule from folder");

    auto archive = std::make_shared<CArchiveResourceProvider>();
    ASSERT_TRUE(archive->Open(dir.File("layout")));
    CChainResourceProvider chain;
    chain.Append(archive);
    chain.Append(nullptr);
    chain.Append(std::make_shared<CFolderResourceProvider>(dir.File("exe")));
    EXPECT_EQ(chain.Size(), 2u);
    std::string content;
    EXPECT_TRUE(chain.Find("DATA", "parameter", content));
    EXPECT_EQ(content, "from archive");
    EXPECT_TRUE(chain.Find("DATA", "rule", content));
    EXPECT_EQ(content, "rule from folder");
    EXPECT_FALSE(chain.Find("DATA", "effect", content));

    // Without an archive the fallback answers everything it has.
    archive->Close();
    EXPECT_TRUE(chain.Find("DATA", "parameter", content));
    EXPECT_EQ(content, "from folder");
}

TEST(ResourceLookup, ArchiveServesSeveralThreads)
{
    CTempDir dir;
    std::vector<StoredFile> entries;
    for (int i = 0; i < 8; ++i)
        entries.push_back({"DATA/doc" + std::to_string(i) + ".xml", std::string(5000 + i, char('a' + i))});
    WriteArchive(dir.File("layout"), entries);
    CArchiveResourceProvider archive;
    ASSERT_TRUE(archive.Open(dir.File("layout")));
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 100; ++round) {
                int i = (round + t) % 8;
                std::string content;
                if (!archive.Find("DATA", "doc" + std::to_string(i), content) ||
                    content != std::string(5000 + i, char('a' + i)))
                    ++wrong[t];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}
