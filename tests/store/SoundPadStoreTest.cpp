#include "base/HotkeyText.h"
#include "base/PrivateProfile.h"
#include "base/Utf.h"
#include "store/BuiltInSounds.h"
#include "store/SoundPadStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

using vy::CPrivateProfile;
using vy::CSoundPadStore;
using vy::SoundItem;
using vy::test::CTempDir;
using vy::test::ReadFileBytes;
using vy::test::WriteFileBytes;

namespace {

// A registrar that behaves like the platform's: an id or a key can be held
// only once, and keys listed in `taken` belong to another program.
class CKeyboardRegistrar : public vy::IHotkeyRegistrar {
public:
    bool RegisterHotkey(int id, uint32_t hotkey) override
    {
        if (held.count(id) || taken.count(hotkey))
            return false;
        for (const auto& [otherId, otherKey] : held)
            if (otherKey == hotkey)
                return false;
        held[id] = hotkey;
        return true;
    }
    void UnregisterHotkey(int id) override { held.erase(id); }

    std::map<int, uint32_t> held;
    std::set<uint32_t> taken;
};

SoundItem Item(int32_t kind, const std::string& name, const std::string& path, int32_t cloudId = 0,
               uint32_t hotkey = 0)
{
    SoundItem item;
    EXPECT_TRUE(vy::MakeSoundItem(kind, name, path, cloudId, item, hotkey)) << path;
    return item;
}

void Touch(const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFileBytes(path, "ID3");
}

std::string Fixture(const std::string& name)
{
    return vy::test::SourceDir() + "/tests/data/store/" + name;
}

// The fixture with "{DIR}" replaced by `dir`, still UTF-16LE with its mark.
std::string FixtureIn(const std::string& name, const std::string& dir)
{
    std::string bytes = ReadFileBytes(Fixture(name));
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    std::u16string marker = u"{DIR}";
    std::u16string folder = vy::Utf8ToUtf16(dir);
    for (size_t at; (at = text.find(marker)) != std::u16string::npos;)
        text.replace(at, marker.size(), folder);
    std::string out = "\xFF\xFE";
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

std::vector<std::string> Names(const std::vector<SoundItem>& items)
{
    std::vector<std::string> names;
    for (const SoundItem& item : items)
        names.push_back(item.Name());
    return names;
}

}  // namespace

TEST(SoundPadStore, FirstStartWritesTheNineBuiltInFavorites)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));

    // Byte for byte what the Windows calls write on a first start.
    ASSERT_FALSE(ReadFileBytes(Fixture("mood_first_start.db")).empty());
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(Fixture("mood_first_start.db")));

    ASSERT_EQ(store.GetFavorites().size(), 9u);
    const char* const keys[] = {"Num 1", "Num 2", "Num 3", "Num 4", "Num 5", "Num 6", "Num 7", "Num 8", ""};
    for (size_t i = 0; i < 9; ++i) {
        const SoundItem& favorite = store.GetFavorites()[i];
        EXPECT_EQ(favorite.kind, vy::kSoundKindBuiltIn);
        EXPECT_EQ(favorite.Name(), vy::BuiltInSounds()[i].name);
        EXPECT_EQ(favorite.Path(), vy::BuiltInSounds()[i].resource);
        EXPECT_EQ(vy::HotkeyText(favorite.hotkey), keys[i]);
    }
    EXPECT_EQ(store.GetVolume(), 50);
    EXPECT_TRUE(store.GetLocalItems().empty());
    EXPECT_TRUE(store.GetDownloadedItems().empty());

    // A second start reads it back unchanged and writes nothing.
    CSoundPadStore again;
    ASSERT_TRUE(again.OpenStore(file));
    EXPECT_EQ(Names(again.GetFavorites()), Names(store.GetFavorites()));
    EXPECT_EQ(again.GetFavoriteHotkey(7), 0x68u);
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(Fixture("mood_first_start.db")));
}

TEST(SoundPadStore, OpenFailsWhereNoFileCanBeMade)
{
    CTempDir dir;
    CSoundPadStore store;
    EXPECT_FALSE(store.OpenStore(dir.File("no such folder/mood.db")));
    // A store that could not be opened saves nothing anywhere.
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(std::filesystem::exists(dir.File("no such folder")));
}

TEST(SoundPadStore, ReadsAFileWrittenOnWindowsAndSkipsDamagedEntries)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    WriteFileBytes(file, FixtureIn("mood_windows.db", dir.Path()));
    Touch(dir.File("一.mp3"));
    Touch(dir.File("my clip.mp3"));
    Touch(dir.File("CloudSound/4711.mp3"));
    // gone.mp3 and CloudSound/4712.mp3 were deleted outside the program.

    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));

    // Favorites 2 (checksum), 3 (75 bytes), 4 (empty path), 6 (no path) are
    // skipped; a favorite's file is not required to exist.
    ASSERT_EQ(Names(store.GetFavorites()), (std::vector<std::string>{"大哄笑", "我的声音🎤", "云端下载"}));
    const SoundItem& voice = store.GetFavorites()[1];
    EXPECT_EQ(voice.kind, vy::kSoundKindFile);
    EXPECT_EQ(voice.Path(), "C:\\Users\\主播\\Music\\voice.mp3");
    EXPECT_EQ(vy::HotkeyText(voice.hotkey), "Ctrl+Alt+Num 1");
    EXPECT_EQ(store.GetFavorites()[2].cloudId, 4711);
    EXPECT_EQ(vy::HotkeyText(store.GetFavoriteHotkey(2)), "Shift+F5");
    EXPECT_EQ(store.GetFavoriteHotkey(0), 0x61u);

    ASSERT_EQ(Names(store.GetLocalItems()), (std::vector<std::string>{"本地一", "My Clip"}));
    EXPECT_EQ(store.GetLocalItems()[1].Path(), dir.File("my clip.mp3"));
    ASSERT_EQ(store.GetDownloadedItems().size(), 1u);
    EXPECT_EQ(store.GetDownloadedItems()[0].cloudId, 4711);
    EXPECT_FALSE(store.FindDownloaded(4712).has_value());

    EXPECT_EQ(store.GetVolume(), 73);
    EXPECT_EQ(store.GetLastPlayed().Name(), "笑声");
    EXPECT_EQ(store.GetLastPlayed().Path(), "C:\\录音\\笑.mp3");
    EXPECT_EQ(store.GetLastPlayed().kind, vy::kSoundKindFile);
    EXPECT_EQ(store.GetLastTotal(), 83);
    EXPECT_EQ(store.GetLoadReport().damaged, 4);
    EXPECT_EQ(store.GetLoadReport().missingFiles, 2);

    // The next save drops what was skipped and keeps what it does not own.
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(CPrivateProfile::GetInt(file, "HotkeyMood", "count", -1), 3);
    EXPECT_EQ(CPrivateProfile::GetInt(file, "DIY", "count", -1), 2);
    EXPECT_EQ(CPrivateProfile::GetInt(file, "Download", "count", -1), 1);
    EXPECT_EQ(CPrivateProfile::GetString(file, "DIYPath", "1"), dir.File("my clip.mp3"));
    EXPECT_EQ(CPrivateProfile::GetString(file, "DownloadPath", "1", "absent"), "absent");
    EXPECT_EQ(CPrivateProfile::GetString(file, "LastPlayMoodPath", "0"), "C:\\录音\\笑.mp3");
    EXPECT_EQ(CPrivateProfile::GetInt(file, "LastPlayMoodTotal", "MoodTotalTime", 0), 83);

    CSoundPadStore reloaded;
    ASSERT_TRUE(reloaded.OpenStore(file));
    EXPECT_EQ(Names(reloaded.GetFavorites()), Names(store.GetFavorites()));
    EXPECT_EQ(reloaded.GetFavoriteHotkey(1), 0x00030061u);
    EXPECT_EQ(Names(reloaded.GetLocalItems()), Names(store.GetLocalItems()));
    EXPECT_EQ(reloaded.GetLoadReport().damaged, 0);
    EXPECT_EQ(reloaded.GetLoadReport().missingFiles, 0);
}

TEST(SoundPadStore, CountsBeyondTheEntriesPresentAreHarmless)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    const struct {
        const char* count;
        size_t favorites;
    } cases[] = {{"2000000000", 9}, {"-5", 0}, {"3", 3}, {"abc", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        ASSERT_TRUE(CPrivateProfile::WriteString(file, "HotkeyMood", "count", c.count));
        ASSERT_TRUE(store.Load());
        EXPECT_EQ(store.GetFavorites().size(), c.favorites);
    }
}

TEST(SoundPadStore, IsFavoriteIgnoresCaseWhileRemovingLikeComparesExactly)
{
    CTempDir dir;
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(dir.File("mood.db")));
    ASSERT_TRUE(store.AddFavorite(Item(vy::kSoundKindFile, "Clip", "/home/u/Music/Clip.mp3")));
    ASSERT_TRUE(store.AddFavorite(Item(vy::kSoundKindFile, "Clip", "/home/u/Music/Clip.mp3")));

    const struct {
        const char* name;
        const char* path;
        bool favorite;
    } cases[] = {
        {"Other", "/HOME/u/music/clip.MP3", true},  // same path, other case
        {"CLIP", "/elsewhere.mp3", true},           // same name, other case
        {"掌声", "/elsewhere.mp3", true},            // a built-in favorite's name
        {"Other", "dj_zs", true},                   // a built-in favorite's resource
        {"Clip2", "/home/u/Music/Clip2.mp3", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(store.IsFavorite(Item(vy::kSoundKindFile, c.name, c.path)), c.favorite);
    }

    // Only name and path equal in every letter count.
    EXPECT_FALSE(store.RemoveFavoritesLike(Item(vy::kSoundKindFile, "Clip", "/home/u/music/clip.mp3")));
    EXPECT_FALSE(store.RemoveFavoritesLike(Item(vy::kSoundKindFile, "clip", "/home/u/Music/Clip.mp3")));
    EXPECT_FALSE(store.RemoveFavoritesLike(Item(vy::kSoundKindFile, "Clip", "/home/u/Music/Other.mp3")));
    EXPECT_EQ(store.GetFavorites().size(), 11u);
    EXPECT_TRUE(store.RemoveFavoritesLike(Item(vy::kSoundKindFile, "Clip", "/home/u/Music/Clip.mp3")));
    EXPECT_EQ(store.GetFavorites().size(), 9u);
    EXPECT_EQ(CPrivateProfile::GetInt(store.GetPath(), "HotkeyMood", "count", -1), 9);
}

TEST(SoundPadStore, AddLocalReplacesAnEntryOfTheSameNameAtTheEnd)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "b2.mp3"})
        Touch(dir.File(name));
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "鼓声", dir.File("a.mp3"))));
    ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "Bell", dir.File("b.mp3"))));
    ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "Horn", dir.File("c.mp3"))));
    ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "Bell", dir.File("b2.mp3"))));
    ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "bell", dir.File("b.mp3"))));  // another name

    const std::vector<std::string> expected{"鼓声", "Horn", "Bell", "bell"};
    EXPECT_EQ(Names(store.GetLocalItems()), expected);
    EXPECT_EQ(store.GetLocalItems()[2].Path(), dir.File("b2.mp3"));

    CSoundPadStore reloaded;
    ASSERT_TRUE(reloaded.OpenStore(file));
    EXPECT_EQ(Names(reloaded.GetLocalItems()), expected);
    EXPECT_EQ(reloaded.GetLocalItems()[2].Path(), dir.File("b2.mp3"));

    // Rename and remove; indexes out of range change nothing.
    EXPECT_TRUE(reloaded.RenameLocal(1, "喇叭"));
    EXPECT_TRUE(reloaded.RemoveLocal(0));
    EXPECT_FALSE(reloaded.RemoveLocal(3));
    EXPECT_FALSE(reloaded.RenameLocal(3, "x"));
    CSoundPadStore third;
    ASSERT_TRUE(third.OpenStore(file));
    EXPECT_EQ(Names(third.GetLocalItems()), (std::vector<std::string>{"喇叭", "Bell", "bell"}));
}

TEST(SoundPadStore, DownloadedEntryWhoseFileWasDeletedIsGoneAfterTheNextStart)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    Touch(dir.File("CloudSound/7.mp3"));
    Touch(dir.File("CloudSound/8.mp3"));
    Touch(dir.File("CloudSound/8b.mp3"));
    {
        CSoundPadStore store;
        ASSERT_TRUE(store.OpenStore(file));
        ASSERT_TRUE(store.AddDownloaded(Item(vy::kSoundKindFile, "七", dir.File("CloudSound/7.mp3"), 7)));
        ASSERT_TRUE(store.AddDownloaded(Item(vy::kSoundKindFile, "八", dir.File("CloudSound/8.mp3"), 8)));
        // The same cloud id again replaces the entry.
        ASSERT_TRUE(store.AddDownloaded(Item(vy::kSoundKindFile, "八b", dir.File("CloudSound/8b.mp3"), 8)));
        ASSERT_EQ(store.GetDownloadedItems().size(), 2u);
        ASSERT_TRUE(store.FindDownloaded(8).has_value());
        EXPECT_EQ(store.FindDownloaded(8)->Name(), "八b");
    }
    std::filesystem::remove(dir.File("CloudSound/7.mp3"));

    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    ASSERT_EQ(Names(store.GetDownloadedItems()), (std::vector<std::string>{"八b"}));
    EXPECT_FALSE(store.FindDownloaded(7).has_value());
    EXPECT_EQ(store.GetLoadReport().missingFiles, 1);
    // Still in the file until the next save.
    EXPECT_EQ(CPrivateProfile::GetInt(file, "Download", "count", -1), 2);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(CPrivateProfile::GetInt(file, "Download", "count", -1), 1);
    EXPECT_EQ(CPrivateProfile::GetString(file, "DownloadPath", "0"), dir.File("CloudSound/8b.mp3"));
}

TEST(SoundPadStore, RemovingAFavoriteMovesTheLaterHotkeysToTheirNewIds)
{
    CTempDir dir;
    CKeyboardRegistrar keyboard;
    bool switchedOn = true;
    CSoundPadStore store;
    store.SetHotkeyRegistrar(&keyboard, [&] { return switchedOn; });
    ASSERT_TRUE(store.OpenStore(dir.File("mood.db")));
    // Keep five favorites: the built-ins 0 to 4 with Num 1 to Num 5.
    while (store.GetFavorites().size() > 5)
        ASSERT_TRUE(store.RemoveFavorite(5));
    store.RegisterHotkeys();
    ASSERT_EQ(keyboard.held, (std::map<int, uint32_t>{
                                 {14000, 0x61}, {14001, 0x62}, {14002, 0x63}, {14003, 0x64}, {14004, 0x65}}));

    ASSERT_TRUE(store.RemoveFavorite(2));
    EXPECT_EQ(keyboard.held, (std::map<int, uint32_t>{{14000, 0x61}, {14001, 0x62}, {14002, 0x64}, {14003, 0x65}}));
    EXPECT_EQ(store.GetFavoriteHotkey(2), 0x64u);

    // Removals of items like another work the same way.
    ASSERT_TRUE(store.RemoveFavoritesLike(vy::BuiltInSoundItem(0)));
    EXPECT_EQ(keyboard.held, (std::map<int, uint32_t>{{14000, 0x62}, {14001, 0x64}, {14002, 0x65}}));

    // With the switch off the keys are left to whoever switches them on.
    store.UnregisterHotkeys();
    switchedOn = false;
    ASSERT_TRUE(store.RemoveFavorite(0));
    EXPECT_TRUE(keyboard.held.empty());
    store.RegisterHotkeys();
    EXPECT_EQ(keyboard.held, (std::map<int, uint32_t>{{14000, 0x64}, {14001, 0x65}}));
}

TEST(SoundPadStore, HotkeyRegistrationSkipsTakenKeysAndReleasesExactlyWhatItHolds)
{
    CTempDir dir;
    CKeyboardRegistrar keyboard;
    keyboard.taken.insert(0x63);  // Num 3 belongs to another program
    CSoundPadStore store;
    store.SetHotkeyRegistrar(&keyboard, [] { return true; });
    ASSERT_TRUE(store.OpenStore(dir.File("mood.db")));

    store.RegisterHotkeys();
    EXPECT_EQ(keyboard.held.size(), 7u);  // eight keys, one taken; row 8 has none
    EXPECT_FALSE(keyboard.held.count(14002));
    EXPECT_EQ(store.GetFavoriteHotkey(2), 0x63u);  // the value is kept regardless

    // Registering again does not collide with its own earlier registrations.
    store.RegisterHotkeys();
    EXPECT_EQ(keyboard.held.size(), 7u);

    // A hotkey changed while registered is still released by id.
    ASSERT_TRUE(store.SetFavoriteHotkey(0, 0));
    store.UnregisterHotkeys();
    EXPECT_TRUE(keyboard.held.empty());
    EXPECT_TRUE(store.GetRegisteredHotkeyIds().empty());
}

TEST(SoundPadStore, FavoriteHotkeysAreStoredAndCheckedForUse)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    const uint32_t ctrlAltF9 = vy::MakeHotkey(vy::kHotkeyCtrl | vy::kHotkeyAlt, vy::VkFunction(9));

    EXPECT_TRUE(store.IsPadHotkeyUsed(0x61));
    EXPECT_FALSE(store.IsPadHotkeyUsed(0));  // row 8 has no hotkey, yet 0 is never "used"
    EXPECT_FALSE(store.IsPadHotkeyUsed(ctrlAltF9));
    ASSERT_TRUE(store.SetFavoriteHotkey(8, ctrlAltF9));
    EXPECT_TRUE(store.IsPadHotkeyUsed(ctrlAltF9));
    EXPECT_FALSE(store.SetFavoriteHotkey(9, 0x61));
    EXPECT_EQ(store.GetFavoriteHotkey(9), 0u);

    CSoundPadStore reloaded;
    ASSERT_TRUE(reloaded.OpenStore(file));
    EXPECT_EQ(vy::HotkeyText(reloaded.GetFavoriteHotkey(8)), "Ctrl+Alt+F9");
}

TEST(SoundPadStore, NamesAreCutAtCharacterBoundariesAndLongPathsRefused)
{
    const std::string emoji = "🎤";  // two UTF-16 units
    const struct {
        std::string name;
        std::string stored;
        bool fits;
    } names[] = {
        {std::string(31, 'x'), std::string(31, 'x'), true},
        {std::string(40, 'x'), std::string(31, 'x'), false},
        {std::string(30, 'x') + emoji, std::string(30, 'x'), false},  // the pair would need units 31 and 32
        {std::string(29, 'x') + emoji, std::string(29, 'x') + emoji, true},
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一", "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一",
         true},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.name);
        SoundItem item;
        EXPECT_EQ(item.SetName(c.name), c.fits);
        EXPECT_EQ(item.Name(), c.stored);
    }

    const std::string longest = "/" + std::string(258, 'p');
    const struct {
        std::string path;
        bool accepted;
    } paths[] = {
        {longest, true},
        {longest + "p", false},
        {"/音/" + std::string(255, 'p'), true},  // 259 units, more bytes
        {"/bad\xff.mp3", false},                  // not UTF-8
        {"/two\nlines.mp3", false},
        {std::string("/nul\0.mp3", 9), false},
    };
    for (const auto& c : paths) {
        SCOPED_TRACE(c.path.size());
        SoundItem item;
        ASSERT_TRUE(item.SetPath("/before.mp3"));
        EXPECT_EQ(item.SetPath(c.path), c.accepted);
        EXPECT_EQ(item.Path(), c.accepted ? c.path : "/before.mp3");
    }
}

TEST(SoundPadStore, PathsWithOuterBlanksOrQuotesComeBackUnchanged)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    // An absolute path can only end with a blank; quotes can only close it.
    const std::string paths[] = {dir.File("trail.mp3 "), dir.File("tab.mp3\t"), dir.File("'quoted'"),
                                 dir.File("plain.mp3")};
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    for (size_t i = 0; i < std::size(paths); ++i) {
        Touch(paths[i]);
        ASSERT_TRUE(store.AddLocal(Item(vy::kSoundKindFile, "n" + std::to_string(i), paths[i])));
    }
    // A built-in resource name may be anything, even quoted.
    const std::string quoted = "\"DJ_X\"";
    ASSERT_TRUE(store.SetLastPlayed(Item(vy::kSoundKindFile, "q", quoted)));

    CSoundPadStore reloaded;
    ASSERT_TRUE(reloaded.OpenStore(file));
    ASSERT_EQ(reloaded.GetLocalItems().size(), std::size(paths));
    for (size_t i = 0; i < std::size(paths); ++i)
        EXPECT_EQ(reloaded.GetLocalItems()[i].Path(), paths[i]);
    EXPECT_EQ(reloaded.GetLastPlayed().Path(), quoted);
}

TEST(SoundPadStore, VolumeLastPlayedAndTotalTimePersist)
{
    CTempDir dir;
    const std::string file = dir.File("mood.db");
    CSoundPadStore store;
    ASSERT_TRUE(store.OpenStore(file));
    EXPECT_EQ(store.GetLastTotal(), 0);

    const struct {
        int set;
        int stored;
    } volumes[] = {{0, 0}, {100, 100}, {37, 37}, {150, 100}, {-3, 0}};
    for (const auto& v : volumes) {
        ASSERT_TRUE(store.SetVolume(v.set));
        EXPECT_EQ(CPrivateProfile::GetInt(file, "Config", "Volume", -1), v.stored);
    }
    ASSERT_TRUE(CPrivateProfile::WriteString(file, "Config", "Volume", "900"));  // edited by hand
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetVolume(), 100);

    SoundItem played = Item(vy::kSoundKindFile, "欢呼", "/home/主播/欢呼.mp3", 12, 0x00020041);
    ASSERT_TRUE(store.SetLastPlayed(played));
    ASSERT_TRUE(store.SetLastTotal(125));

    // The record is the head and the first two path units.
    unsigned char record[vy::kLastPlayedRecordSize];
    ASSERT_TRUE(CPrivateProfile::GetStruct(file, "LastPlayMood", "0", record, sizeof record));
    EXPECT_EQ(std::memcmp(record, &played, vy::kSoundItemHeadSize), 0);
    EXPECT_EQ(record[76], '/');
    EXPECT_EQ(record[78], 'h');
    EXPECT_EQ(record[77] | record[79], 0);
    EXPECT_FALSE(CPrivateProfile::GetStruct(file, "LastPlayMood", "0", record, vy::kSoundItemHeadSize));

    CSoundPadStore reloaded;
    ASSERT_TRUE(reloaded.OpenStore(file));
    EXPECT_EQ(reloaded.GetLastPlayed().Name(), "欢呼");
    EXPECT_EQ(reloaded.GetLastPlayed().Path(), "/home/主播/欢呼.mp3");
    EXPECT_EQ(reloaded.GetLastPlayed().cloudId, 12);
    EXPECT_EQ(reloaded.GetLastPlayed().hotkey, 0x00020041u);
    EXPECT_EQ(reloaded.GetLastTotal(), 125);
}

TEST(SoundPadStore, LoadFileNeverCreatesOne)
{
    CTempDir dir;
    CSoundPadStore store;
    EXPECT_FALSE(store.LoadFile(dir.File("mood.db")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("mood.db")));
    EXPECT_TRUE(store.GetFavorites().empty());
    EXPECT_EQ(store.GetVolume(), 50);
}

TEST(SoundPadStore, CloudPagesKeepTitlesAndItemsTogether)
{
    CSoundPadStore store;
    EXPECT_EQ(store.AddCloudPage(""), -1);
    EXPECT_EQ(store.AddCloudPage("搞笑"), 0);
    EXPECT_EQ(store.AddCloudPage("游戏"), 1);
    EXPECT_EQ(store.GetCloudPageCount(), 2u);
    EXPECT_EQ(store.GetCloudPageTitle(1), "游戏");
    EXPECT_EQ(store.GetCloudPageTitle(2), "");

    // Cloud names come from the service and may be longer than the field.
    std::string longName;
    for (int i = 0; i < 40; ++i)
        longName += "云";
    SoundItem cloud = Item(vy::kSoundKindCloud, longName, "http://127.0.0.1/s/1.mp3", 1);
    EXPECT_EQ(cloud.NameUtf16().size(), 31u);
    EXPECT_TRUE(store.SetCloudPageItems(1, {cloud}));
    EXPECT_TRUE(store.AddCloudPageItem(1, Item(vy::kSoundKindCloud, "b", "http://127.0.0.1/s/2.mp3", 2)));
    EXPECT_FALSE(store.AddCloudPageItem(2, cloud));
    EXPECT_FALSE(store.SetCloudPageItems(2, {cloud}));

    EXPECT_TRUE(store.SetCloudItemStatus(1, 1, vy::kDownloadRunning));
    EXPECT_FALSE(store.SetCloudItemStatus(1, 2, vy::kDownloadRunning));
    EXPECT_FALSE(store.SetCloudItemStatus(0, 0, vy::kDownloadRunning));
    ASSERT_TRUE(store.GetCloudItem(1, 1).has_value());
    EXPECT_EQ(store.GetCloudItem(1, 1)->downloadStatus, vy::kDownloadRunning);
    EXPECT_EQ(store.GetCloudItem(1, 0)->downloadStatus, vy::kDownloadIdle);
    EXPECT_FALSE(store.GetCloudItem(0, 0).has_value());
    EXPECT_EQ(store.GetCloudPageItems(1).size(), 2u);
    EXPECT_TRUE(store.GetCloudPageItems(5).empty());

    store.ClearCloudPages();
    EXPECT_EQ(store.GetCloudPageCount(), 0u);
    EXPECT_EQ(store.GetCloudPageTitle(0), "");
}

TEST(SoundPadStore, CloudPagesFilledOnAWorkerThreadReadConsistentlyOnAnother)
{
    CSoundPadStore store;
    std::atomic<bool> done{false};
    // The list downloader's pattern: clear, then per category a page and
    // its items, item i of page p carrying cloud id 100 * p + i.
    std::thread writer([&] {
        for (int round = 0; round < 200; ++round) {
            store.ClearCloudPages();
            for (int p = 0; p < 4; ++p) {
                int page = store.AddCloudPage("分类" + std::to_string(p));
                ASSERT_EQ(page, p);
                for (int i = 0; i < 5; ++i) {
                    SoundItem item;
                    ASSERT_TRUE(vy::MakeSoundItem(vy::kSoundKindCloud, "s", "http://127.0.0.1/s.mp3",
                                                  100 * p + i, item));
                    ASSERT_TRUE(store.AddCloudPageItem(static_cast<size_t>(page), item));
                }
            }
        }
        done = true;
    });
    int checks = 0;
    while (!done || checks == 0) {
        std::lock_guard<zan_util::CLock> guard(store.GetCloudLock());
        size_t pages = store.GetCloudPageCount();
        for (size_t p = 0; p < pages; ++p) {
            EXPECT_EQ(store.GetCloudPageTitle(p), "分类" + std::to_string(p));
            std::vector<SoundItem> items = store.GetCloudPageItems(p);
            for (size_t i = 0; i < items.size(); ++i)
                EXPECT_EQ(items[i].cloudId, static_cast<int32_t>(100 * p + i));
            if (!items.empty())
                store.SetCloudItemStatus(p, 0, vy::kDownloadDone);
        }
        ++checks;
    }
    writer.join();
    EXPECT_EQ(store.GetCloudPageCount(), 4u);
    EXPECT_EQ(store.GetCloudPageItems(3).size(), 5u);
}
