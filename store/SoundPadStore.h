#pragma once

#include "base/HotkeyRegistrar.h"
#include "base/Lock.h"
#include "store/SoundItem.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

constexpr int kFavoriteHotkeyIdBase = 14000;
constexpr int kDefaultPadVolume = 50;

// The sound pad store: favorites (with global hotkeys), local MP3 files,
// downloaded cloud sounds, the cloud catalogue pages, the pad volume and the
// last sound played, persisted in mood.db.
//
// Threads: the cloud pages and their titles may be filled from a worker
// thread and read from the UI thread; every cloud call takes the store's
// lock. Everything else belongs to the UI thread.
class CSoundPadStore {
public:
    // What the last load left out.
    struct LoadReport {
        int damaged = 0;       // wrong size, bad checksum, empty or unusable path
        int missingFiles = 0;  // local or downloaded entries whose file is gone
    };

    CSoundPadStore() = default;
    CSoundPadStore(const CSoundPadStore&) = delete;
    CSoundPadStore& operator=(const CSoundPadStore&) = delete;

    // Global hotkeys of the favorites go through `registrar` (may be null:
    // no hotkeys). `switchedOn` tells whether the user's hotkey switch is on;
    // removals then unregister and register again around the change so that
    // ids keep following list positions. Without it the switch counts as off.
    void SetHotkeyRegistrar(IHotkeyRegistrar* registrar, std::function<bool()> switchedOn);

    // Loads the file at `path`, or creates it with the nine built-in sounds
    // as favorites (numeric keypad 1 to 8 on the first eight) and volume 50.
    // False only when a missing file cannot be created and written.
    bool OpenStore(const std::string& path);
    // Loads an existing file without ever creating one (for inspection);
    // false when there is no file at `path`.
    bool LoadFile(const std::string& path);
    // Re-reads the file given to OpenStore. Damaged entries are skipped,
    // local and downloaded entries whose file is gone are dropped (and leave
    // the file at the next Save). False when there is no file.
    bool Load();
    // Rewrites the three lists and the volume. The whole rewrite replaces
    // the file at once, so an interrupted save leaves the old file intact.
    bool Save();

    const std::string& GetPath() const { return m_path; }
    const LoadReport& GetLoadReport() const { return m_loadReport; }

    // Favorites.
    const std::vector<SoundItem>& GetFavorites() const { return m_favorites; }
    bool AddFavorite(const SoundItem& item);
    bool RemoveFavorite(size_t index);
    // Removes every favorite whose name and path both equal the item's
    // exactly; true if any went. Saves either way.
    bool RemoveFavoritesLike(const SoundItem& item);
    // True when a favorite has the same path or the same name, letter case
    // ignored.
    bool IsFavorite(const SoundItem& item) const;
    uint32_t GetFavoriteHotkey(size_t index) const;
    bool SetFavoriteHotkey(size_t index, uint32_t hotkey);
    bool IsPadHotkeyUsed(uint32_t hotkey) const;

    // Local MP3 files (the built-in rows are not part of this list).
    const std::vector<SoundItem>& GetLocalItems() const { return m_local; }
    // Replaces a local item of exactly the same name; the new one goes last.
    bool AddLocal(const SoundItem& item);
    bool RemoveLocal(size_t index);
    bool RenameLocal(size_t index, std::string_view name);

    // Downloaded cloud sounds, one per cloud id.
    const std::vector<SoundItem>& GetDownloadedItems() const { return m_downloaded; }
    bool AddDownloaded(const SoundItem& item);
    std::optional<SoundItem> FindDownloaded(int32_t cloudId) const;

    // Cloud catalogue pages, one per cloud category. All under the lock.
    void ClearCloudPages();
    // Appends an empty page; its index, or -1 for an empty title.
    int AddCloudPage(std::string_view title);
    bool SetCloudPageItems(size_t page, const std::vector<SoundItem>& items);
    bool AddCloudPageItem(size_t page, const SoundItem& item);
    size_t GetCloudPageCount() const;
    std::string GetCloudPageTitle(size_t page) const;  // empty out of range
    std::vector<SoundItem> GetCloudPageItems(size_t page) const;
    std::optional<SoundItem> GetCloudItem(size_t page, size_t index) const;
    bool SetCloudItemStatus(size_t page, size_t index, int32_t status);
    // For a caller that needs several cloud calls to see one state.
    zan_util::CLock& GetCloudLock() const { return m_cloudLock; }

    // Registers favorite i's hotkey as id 14000 + i, for every favorite that
    // has one. Keys another program holds are skipped. Unregister releases
    // exactly the ids this store holds.
    void RegisterHotkeys();
    void UnregisterHotkeys();
    std::vector<int> GetRegisteredHotkeyIds() const { return m_registeredIds; }

    int GetVolume() const { return m_volume; }
    bool SetVolume(int value);  // limited to 0..100

    const SoundItem& GetLastPlayed() const { return m_lastPlayed; }
    bool SetLastPlayed(const SoundItem& item);
    // Length in seconds of the last sound played, as the file holds it.
    int GetLastTotal() const;
    bool SetLastTotal(int seconds);

private:
    bool HotkeysSwitchedOn() const;
    void LoadList(std::string_view section, std::string_view pathSection, bool needsFile,
                  std::vector<SoundItem>& list);

    std::string m_path;
    int m_hotkeyIdBase = kFavoriteHotkeyIdBase;
    int m_volume = kDefaultPadVolume;
    std::vector<SoundItem> m_local;
    std::vector<SoundItem> m_downloaded;
    std::vector<SoundItem> m_favorites;
    SoundItem m_lastPlayed;
    LoadReport m_loadReport;

    IHotkeyRegistrar* m_registrar = nullptr;
    std::function<bool()> m_hotkeysSwitchedOn;
    std::vector<int> m_registeredIds;

    mutable zan_util::CLock m_cloudLock;
    std::vector<std::vector<SoundItem>> m_cloudPages;
    std::vector<std::string> m_cloudTitles;
};

}  // namespace vy
