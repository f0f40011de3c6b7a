#include "store/SoundPadStore.h"

#include "base/Log.h"
#include "base/PrivateProfile.h"
#include "base/Utf.h"
#include "base/HotkeyText.h"
#include "store/BuiltInSounds.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

namespace vy {
namespace {

constexpr char kFavoritesSection[] = "HotkeyMood";
constexpr char kFavoritesPathSection[] = "HotkeyMoodPath";
constexpr char kLocalSection[] = "DIY";
constexpr char kLocalPathSection[] = "DIYPath";
constexpr char kDownloadSection[] = "Download";
constexpr char kDownloadPathSection[] = "DownloadPath";
constexpr char kConfigSection[] = "Config";
constexpr char kVolumeKey[] = "Volume";
constexpr char kLastPlayedSection[] = "LastPlayMood";
constexpr char kLastPlayedPathSection[] = "LastPlayMoodPath";
constexpr char kLastTotalSection[] = "LastPlayMoodTotal";
constexpr char kLastTotalKey[] = "MoodTotalTime";
constexpr char kCountKey[] = "count";
constexpr char kLastPlayedKey[] = "0";
// The rewrite happens on this copy, which then replaces the file.

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

bool IsProfileBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Reading a value trims blanks and one pair of surrounding quotes; a path
// that would lose either is written inside quotes so it reads back as is.
std::string ProfileValue(const std::string& text)
{
    bool quote = !text.empty() && (IsProfileBlank(text.front()) || IsProfileBlank(text.back()) ||
                                   (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                                    text.back() == text.front()));
    return quote ? "\"" + text + "\"" : text;
}

int ClampVolume(int value)
{
    return std::clamp(value, 0, 100);
}

// A section read once: keys compare without regard to case, the first of a
// name wins, as with the single-key calls.
class SectionValues {
public:
    SectionValues(const std::string& path, std::string_view section)
    {
        for (auto& [key, value] : CPrivateProfile::SectionEntries(path, section))
            m_values.emplace(ToLowerAscii(key), std::move(value));  // emplace keeps the first
    }
    const std::string* Find(std::string_view key) const
    {
        auto it = m_values.find(ToLowerAscii(key));
        return it == m_values.end() ? nullptr : &it->second;
    }
    size_t Size() const { return m_values.size(); }

private:
    std::map<std::string, std::string> m_values;
};

bool WriteList(const std::string& file, const char* section, const char* pathSection,
               const std::vector<SoundItem>& list)
{
    if (!CPrivateProfile::DeleteSection(file, section) || !CPrivateProfile::DeleteSection(file, pathSection) ||
        !CPrivateProfile::WriteInt(file, section, kCountKey, static_cast<long>(list.size())))
        return false;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string key = std::to_string(i);
        if (!CPrivateProfile::WriteStruct(file, section, key, &list[i], kSoundItemHeadSize) ||
            !CPrivateProfile::WriteString(file, pathSection, key, ProfileValue(list[i].Path())))
            return false;
    }
    return true;
}

}  // namespace

void CSoundPadStore::SetHotkeyRegistrar(IHotkeyRegistrar* registrar, std::function<bool()> switchedOn)
{
    m_registrar = registrar;
    m_hotkeysSwitchedOn = std::move(switchedOn);
}

bool CSoundPadStore::HotkeysSwitchedOn() const
{
    return m_hotkeysSwitchedOn && m_hotkeysSwitchedOn();
}

bool CSoundPadStore::OpenStore(const std::string& path)
{
    m_path = path;
    m_hotkeyIdBase = kFavoriteHotkeyIdBase;
    if (IsRegularFile(path)) {
        Load();
        return true;
    }
    if (!CPrivateProfile::CreateIfMissing(path)) {
        VY_LOG("cannot create the sound pad file %s", path.c_str());
        return false;
    }
    m_favorites.clear();
    m_local.clear();
    m_downloaded.clear();
    m_lastPlayed = SoundItem{};
    m_loadReport = LoadReport{};
    for (size_t row = 0; row < kBuiltInSoundCount; ++row) {
        SoundItem item = BuiltInSoundItem(row);
        if (row < 8)
            item.hotkey = VkNumpad(static_cast<unsigned>(row) + 1);  // no modifier
        m_favorites.push_back(item);
    }
    m_volume = kDefaultPadVolume;
    return Save();
}

bool CSoundPadStore::LoadFile(const std::string& path)
{
    m_path = path;
    return Load();
}

void CSoundPadStore::LoadList(std::string_view section, std::string_view pathSection, bool needsFile,
                              std::vector<SoundItem>& list)
{
    list.clear();
    SectionValues heads(m_path, section);
    SectionValues paths(m_path, pathSection);
    const std::string* countText = heads.Find(kCountKey);
    long count = countText ? CPrivateProfile::GetInt(m_path, section, kCountKey, 0) : 0;
    // A count beyond the keys present (a damaged or hand-edited file) would
    // only make us look up keys that cannot be there.
    count = std::clamp<long>(count, 0, static_cast<long>(heads.Size()));
    for (long i = 0; i < count; ++i) {
        std::string key = std::to_string(i);
        const std::string* head = heads.Find(key);
        const std::string* path = paths.Find(key);
        SoundItem item;
        if (!head || !path || path->empty() || !DecodeProfileStruct(*head, &item, kSoundItemHeadSize) ||
            !item.SetPath(*path)) {
            ++m_loadReport.damaged;
            continue;
        }
        item.name[kSoundNameChars - 1] = u'\0';  // a name filling all 32 units has no terminator
        if (needsFile && !IsRegularFile(*path)) {
            ++m_loadReport.missingFiles;
            continue;
        }
        list.push_back(item);
    }
}

bool CSoundPadStore::Load()
{
    m_favorites.clear();
    m_local.clear();
    m_downloaded.clear();
    m_lastPlayed = SoundItem{};
    m_volume = kDefaultPadVolume;
    m_loadReport = LoadReport{};
    if (!IsRegularFile(m_path))
        return false;

    LoadList(kFavoritesSection, kFavoritesPathSection, false, m_favorites);
    LoadList(kLocalSection, kLocalPathSection, true, m_local);
    LoadList(kDownloadSection, kDownloadPathSection, true, m_downloaded);

    SoundItem last;
    if (CPrivateProfile::GetStruct(m_path, kLastPlayedSection, kLastPlayedKey, &last, kLastPlayedRecordSize)) {
        last.name[kSoundNameChars - 1] = u'\0';
        // The record carries the first two path units; the path key has the
        // whole path.
        std::fill(std::begin(last.path), std::end(last.path), u'\0');
    } else {
        last = SoundItem{};
    }
    last.SetPath(CPrivateProfile::GetString(m_path, kLastPlayedPathSection, kLastPlayedKey));
    m_lastPlayed = last;

    m_volume = ClampVolume(CPrivateProfile::GetInt(m_path, kConfigSection, kVolumeKey, kDefaultPadVolume));
    return true;
}

bool CSoundPadStore::Save()
{
    if (m_path.empty())
        return false;
    // One replacement of the file for the whole save: a stop half-way never
    // leaves the lists deleted but not yet rewritten.
    CProfileBatch batch(m_path);
    bool ok = CPrivateProfile::CreateIfMissing(m_path) &&
              WriteList(m_path, kFavoritesSection, kFavoritesPathSection, m_favorites) &&
              WriteList(m_path, kLocalSection, kLocalPathSection, m_local) &&
              WriteList(m_path, kDownloadSection, kDownloadPathSection, m_downloaded) &&
              CPrivateProfile::WriteInt(m_path, kConfigSection, kVolumeKey, m_volume);
    if (ok) {
        ok = batch.Commit();
    } else {
        batch.Abort();
    }
    if (!ok)
        VY_LOG("cannot save the sound pad file %s", m_path.c_str());
    return ok;
}

bool CSoundPadStore::AddFavorite(const SoundItem& item)
{
    m_favorites.push_back(item);
    return Save();
}

bool CSoundPadStore::RemoveFavorite(size_t index)
{
    if (index >= m_favorites.size())
        return false;
    bool switchedOn = HotkeysSwitchedOn();
    if (switchedOn)
        UnregisterHotkeys();
    m_favorites.erase(m_favorites.begin() + static_cast<std::ptrdiff_t>(index));
    if (switchedOn)
        RegisterHotkeys();
    return Save();
}

bool CSoundPadStore::RemoveFavoritesLike(const SoundItem& item)
{
    bool switchedOn = HotkeysSwitchedOn();
    if (switchedOn)
        UnregisterHotkeys();
    const std::u16string name = item.NameUtf16();
    const std::u16string path = item.PathUtf16();
    size_t before = m_favorites.size();
    std::erase_if(m_favorites, [&](const SoundItem& favorite) {
        return favorite.NameUtf16() == name && favorite.PathUtf16() == path;
    });
    bool removed = m_favorites.size() != before;
    if (switchedOn)
        RegisterHotkeys();
    Save();
    return removed;
}

bool CSoundPadStore::IsFavorite(const SoundItem& item) const
{
    const std::u16string name = item.NameUtf16();
    const std::u16string path = item.PathUtf16();
    return std::any_of(m_favorites.begin(), m_favorites.end(), [&](const SoundItem& favorite) {
        return EqualsNoCase(favorite.PathUtf16(), path) || EqualsNoCase(favorite.NameUtf16(), name);
    });
}

uint32_t CSoundPadStore::GetFavoriteHotkey(size_t index) const
{
    return index < m_favorites.size() ? m_favorites[index].hotkey : 0;
}

bool CSoundPadStore::SetFavoriteHotkey(size_t index, uint32_t hotkey)
{
    if (index >= m_favorites.size())
        return false;
    m_favorites[index].hotkey = hotkey;
    return Save();
}

bool CSoundPadStore::IsPadHotkeyUsed(uint32_t hotkey) const
{
    return hotkey != 0 && std::any_of(m_favorites.begin(), m_favorites.end(),
                                      [&](const SoundItem& favorite) { return favorite.hotkey == hotkey; });
}

bool CSoundPadStore::AddLocal(const SoundItem& item)
{
    const std::u16string name = item.NameUtf16();
    std::erase_if(m_local, [&](const SoundItem& local) { return local.NameUtf16() == name; });
    m_local.push_back(item);
    return Save();
}

bool CSoundPadStore::RemoveLocal(size_t index)
{
    if (index >= m_local.size())
        return false;
    m_local.erase(m_local.begin() + static_cast<std::ptrdiff_t>(index));
    return Save();
}

bool CSoundPadStore::RenameLocal(size_t index, std::string_view name)
{
    if (index >= m_local.size())
        return false;
    m_local[index].SetName(name);
    return Save();
}

bool CSoundPadStore::AddDownloaded(const SoundItem& item)
{
    std::erase_if(m_downloaded, [&](const SoundItem& entry) { return entry.cloudId == item.cloudId; });
    m_downloaded.push_back(item);
    return Save();
}

std::optional<SoundItem> CSoundPadStore::FindDownloaded(int32_t cloudId) const
{
    for (const SoundItem& entry : m_downloaded)
        if (entry.cloudId == cloudId)
            return entry;
    return std::nullopt;
}

void CSoundPadStore::ClearCloudPages()
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    m_cloudPages.clear();
    m_cloudTitles.clear();
}

int CSoundPadStore::AddCloudPage(std::string_view title)
{
    if (title.empty())
        return -1;
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    m_cloudPages.emplace_back();
    m_cloudTitles.emplace_back(title);
    if (m_cloudPages.size() != m_cloudTitles.size())
        return -1;
    return static_cast<int>(m_cloudPages.size() - 1);
}

bool CSoundPadStore::SetCloudPageItems(size_t page, const std::vector<SoundItem>& items)
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    if (page >= m_cloudPages.size())
        return false;
    m_cloudPages[page] = items;
    return true;
}

bool CSoundPadStore::AddCloudPageItem(size_t page, const SoundItem& item)
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    if (page >= m_cloudPages.size())
        return false;
    m_cloudPages[page].push_back(item);
    return true;
}

size_t CSoundPadStore::GetCloudPageCount() const
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    return m_cloudPages.size();
}

std::string CSoundPadStore::GetCloudPageTitle(size_t page) const
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    return page < m_cloudTitles.size() ? m_cloudTitles[page] : std::string();
}

std::vector<SoundItem> CSoundPadStore::GetCloudPageItems(size_t page) const
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    return page < m_cloudPages.size() ? m_cloudPages[page] : std::vector<SoundItem>();
}

std::optional<SoundItem> CSoundPadStore::GetCloudItem(size_t page, size_t index) const
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    if (page >= m_cloudPages.size() || index >= m_cloudPages[page].size())
        return std::nullopt;
    return m_cloudPages[page][index];
}

bool CSoundPadStore::SetCloudItemStatus(size_t page, size_t index, int32_t status)
{
    std::lock_guard<zan_util::CLock> guard(m_cloudLock);
    if (page >= m_cloudPages.size() || index >= m_cloudPages[page].size())
        return false;
    m_cloudPages[page][index].downloadStatus = status;
    return true;
}

void CSoundPadStore::RegisterHotkeys()
{
    if (!m_registrar)
        return;
    // Ids follow list positions: what an earlier call registered may now
    // belong to another favorite.
    UnregisterHotkeys();
    for (size_t i = 0; i < m_favorites.size(); ++i) {
        uint32_t hotkey = m_favorites[i].hotkey;
        if (hotkey == 0)
            continue;
        int id = m_hotkeyIdBase + static_cast<int>(i);
        if (m_registrar->RegisterHotkey(id, hotkey))
            m_registeredIds.push_back(id);
        else
            VY_LOG("hotkey %s of sound pad %zu is not available", HotkeyText(hotkey).c_str(), i);
    }
}

void CSoundPadStore::UnregisterHotkeys()
{
    if (m_registrar)
        for (int id : m_registeredIds)
            m_registrar->UnregisterHotkey(id);
    m_registeredIds.clear();
}

bool CSoundPadStore::SetVolume(int value)
{
    m_volume = ClampVolume(value);
    return CPrivateProfile::WriteInt(m_path, kConfigSection, kVolumeKey, m_volume);
}

bool CSoundPadStore::SetLastPlayed(const SoundItem& item)
{
    m_lastPlayed = item;
    bool ok = CPrivateProfile::WriteStruct(m_path, kLastPlayedSection, kLastPlayedKey, &m_lastPlayed,
                                           kLastPlayedRecordSize);
    return CPrivateProfile::WriteString(m_path, kLastPlayedPathSection, kLastPlayedKey,
                                        ProfileValue(m_lastPlayed.Path())) &&
           ok;
}

int CSoundPadStore::GetLastTotal() const
{
    return std::max(0, CPrivateProfile::GetInt(m_path, kLastTotalSection, kLastTotalKey, 0));
}

bool CSoundPadStore::SetLastTotal(int seconds)
{
    return CPrivateProfile::WriteInt(m_path, kLastTotalSection, kLastTotalKey, std::max(0, seconds));
}

}  // namespace vy
