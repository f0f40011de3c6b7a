#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace vy {

struct EffectRecord;

// Section and key names of the settings file.
namespace settings {
constexpr const char* kSettings = "Settings";
constexpr const char* kStringSettings = "StringSettings";
constexpr const char* kHotKey = "HotKey";
constexpr const char* kLastStatus = "LastStatus";
constexpr const char* kCurrentEffect = "CurrentEffect";
constexpr const char* kDeviceCustomEffect = "DeviceCustomEffect";
constexpr const char* kMyCustomEffect = "MyCustomEffect";
constexpr const char* kEffectHotKey = "EffectHotKey";
constexpr const char* kCount = "count";
constexpr const char* kCustomPreset = "CustomPreset";
constexpr const char* kDefaultDownloadSection = "DownloadEffect";
} // namespace settings

// A preset record as the settings file stores it: 200 bytes.
struct SPreset {
    char16_t name[32] {};
    int32_t values[32] {};
    int32_t count = 0;
    int32_t reserved = 0;
};
static_assert(sizeof(SPreset) == 200);

// The settings file "data.db": an INI file in UTF-16LE read and written
// through the private-profile engine. Opening it creates it (holding only the
// byte-order mark) when missing and reads the fixed table of integer and
// string settings once; writes go straight to the file and keep the table in
// step. Reads of records that fail (missing, wrong size, bad check byte) are
// reported as absent. Without a path every write is skipped.
class CSettingsFile {
public:
    // The process-wide settings file.
    static CSettingsFile& Instance();

    CSettingsFile() = default;
    CSettingsFile(const CSettingsFile&) = delete;
    CSettingsFile& operator=(const CSettingsFile&) = delete;

    // False when the file could not be created.
    bool Open(const std::string& path);
    // Uses `path` without creating it (for readers that must not write).
    void Attach(const std::string& path);
    std::string Path() const;

    // Integers and strings: the table's settings from the copy read at open,
    // any other key from the file.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    bool SetInt(std::string_view section, std::string_view key, long value);
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue = {}) const;
    bool SetString(std::string_view section, std::string_view key, std::string_view value);

    bool ReadRecord(std::string_view section, std::string_view key, void* out, size_t size) const;
    bool WriteRecord(std::string_view section, std::string_view key, const void* data, size_t size);
    bool ReadEffect(std::string_view section, std::string_view key, EffectRecord& record) const;
    bool WriteEffect(std::string_view section, std::string_view key, const EffectRecord& record);
    bool ReadPreset(std::string_view section, std::string_view key, SPreset& preset) const;
    bool WritePreset(std::string_view section, std::string_view key, const SPreset& preset);

    bool DeleteSection(std::string_view section);
    bool DeleteKey(std::string_view section, std::string_view key);

private:
    using Key = std::pair<std::string, std::string>; // lower-case section and key
    static Key MakeKey(std::string_view section, std::string_view key);
    void LoadTable();

    mutable std::mutex m_mutex;
    std::string m_path;
    std::map<Key, int> m_ints;
    std::map<Key, std::string> m_strings;
};

} // namespace vy
