#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vy {

// What a pad's path means.
constexpr int32_t kSoundKindBuiltIn = 0;  // path = resource name of a built-in MP3
constexpr int32_t kSoundKindFile = 1;     // path = MP3 file
constexpr int32_t kSoundKindCloud = 2;    // path = download URL, not downloaded yet

// Download status of a cloud page item.
constexpr int32_t kDownloadIdle = 0;
constexpr int32_t kDownloadRunning = 1;
constexpr int32_t kDownloadDone = 2;

constexpr size_t kSoundNameChars = 32;   // UTF-16 units, terminator included
constexpr size_t kSoundPathChars = 260;  // UTF-16 units, terminator included

// Bytes of an item stored in mood.db: the head (kind, name, hotkey, cloud id)
// for the lists, and for the last played item the head plus the first two
// path units, as the file has always held it.
constexpr size_t kSoundItemHeadSize = 76;
constexpr size_t kLastPlayedRecordSize = 80;

// One pad. The leading fields are the byte image stored in mood.db
// (little-endian, UTF-16LE names), so the layout is fixed.
struct SoundItem {
    int32_t kind = kSoundKindBuiltIn;
    char16_t name[kSoundNameChars] = {};
    uint32_t hotkey = 0;  // modifier flags << 16 | virtual-key code; 0 = none
    int32_t cloudId = 0;
    char16_t path[kSoundPathChars] = {};
    int32_t downloadStatus = kDownloadIdle;  // cloud page items only

    std::string Name() const;
    // Cuts a longer name at a character boundary (31 units at most, never
    // half a surrogate pair); false when it had to cut.
    bool SetName(std::string_view utf8);
    std::u16string NameUtf16() const;

    std::string Path() const;
    // Refuses (false, path unchanged) a path that does not fit its 259 units,
    // that is not valid UTF-8, or that holds a line break or NUL: any of
    // these would come back from the file as a different path.
    bool SetPath(std::string_view utf8);
    std::u16string PathUtf16() const;
};

static_assert(std::endian::native == std::endian::little, "mood.db records are little-endian byte images");
static_assert(offsetof(SoundItem, kind) == 0);
static_assert(offsetof(SoundItem, name) == 4);
static_assert(offsetof(SoundItem, hotkey) == 68);
static_assert(offsetof(SoundItem, cloudId) == 72);
static_assert(offsetof(SoundItem, path) == kSoundItemHeadSize);
static_assert(offsetof(SoundItem, path) + 2 * sizeof(char16_t) == kLastPlayedRecordSize);
static_assert(offsetof(SoundItem, downloadStatus) == 596);
static_assert(sizeof(SoundItem) == 600);

// Builds an item; false when the path was refused (see SetPath). A longer
// name is cut.
bool MakeSoundItem(int32_t kind, std::string_view name, std::string_view path, int32_t cloudId, SoundItem& item,
                   uint32_t hotkey = 0);

}  // namespace vy
