#include "protocol/SettingsFile.h"

#include "base/PrivateProfile.h"
#include "model/EffectRecord.h"

#include <cctype>

namespace vy {
namespace {

struct SIntSetting {
    const char* section;
    const char* key;
    int defaultValue;
};
struct SStringSetting {
    const char* section;
    const char* key;
    const char* defaultValue;
};

// What the program reads once when the file is opened.
constexpr SIntSetting kIntSettings[] = {
    { settings::kSettings, "CloseBtnOperation", 1 },
    { settings::kSettings, "MainWndWidth", 0 },
    { settings::kSettings, "MainWndHeight", 0 },
    { settings::kSettings, "MainWinTopmost", 0 },
    { settings::kSettings, "MiniToTray", 0 },
    { settings::kHotKey, "OneTouchSoundTrack", 0 },
    { settings::kHotKey, "EnableHoey", 0 },
};
constexpr SStringSetting kStringSettings[] = {
    { settings::kStringSettings, "LatestPrjFile", "" },
    { settings::kHotKey, "OneTouchSoundTrackTxt", "" },
};
// Strings of the table hold at most this many characters.
constexpr size_t kMaxStringChars = 259;

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

} // namespace

CSettingsFile& CSettingsFile::Instance()
{
    static CSettingsFile instance;
    return instance;
}

CSettingsFile::Key CSettingsFile::MakeKey(std::string_view section, std::string_view key)
{
    return { Lower(section), Lower(key) };
}

bool CSettingsFile::Open(const std::string& path)
{
    const bool created = path.empty() || CPrivateProfile::CreateIfMissing(path);
    Attach(path);
    return created;
}

void CSettingsFile::Attach(const std::string& path)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_path = path;
    LoadTable();
}

void CSettingsFile::LoadTable()
{
    m_ints.clear();
    m_strings.clear();
    for (const SIntSetting& setting : kIntSettings) {
        m_ints[MakeKey(setting.section, setting.key)] = m_path.empty()
            ? setting.defaultValue
            : CPrivateProfile::GetInt(m_path, setting.section, setting.key, setting.defaultValue);
    }
    for (const SStringSetting& setting : kStringSettings) {
        std::string value = m_path.empty()
            ? std::string(setting.defaultValue)
            : CPrivateProfile::GetString(m_path, setting.section, setting.key, setting.defaultValue);
        if (value.size() > kMaxStringChars * 4)
            value.resize(kMaxStringChars * 4);
        m_strings[MakeKey(setting.section, setting.key)] = value;
    }
}

std::string CSettingsFile::Path() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_path;
}

int CSettingsFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto found = m_ints.find(MakeKey(section, key));
    if (found != m_ints.end())
        return found->second;
    if (m_path.empty())
        return defaultValue;
    return CPrivateProfile::GetInt(m_path, section, key, defaultValue);
}

bool CSettingsFile::SetInt(std::string_view section, std::string_view key, long value)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_path.empty())
        return false;
    auto found = m_ints.find(MakeKey(section, key));
    if (found != m_ints.end())
        found->second = static_cast<int>(value);
    return CPrivateProfile::WriteInt(m_path, section, key, value);
}

std::string CSettingsFile::GetString(
    std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto found = m_strings.find(MakeKey(section, key));
    if (found != m_strings.end())
        return found->second;
    if (m_path.empty())
        return std::string(defaultValue);
    return CPrivateProfile::GetString(m_path, section, key, defaultValue);
}

bool CSettingsFile::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_path.empty())
        return false;
    auto found = m_strings.find(MakeKey(section, key));
    if (found != m_strings.end())
        found->second = std::string(value);
    return CPrivateProfile::WriteString(m_path, section, key, value);
}

bool CSettingsFile::ReadRecord(std::string_view section, std::string_view key, void* out, size_t size) const
{
    const std::string path = Path();
    return !path.empty() && CPrivateProfile::GetStruct(path, section, key, out, size);
}

bool CSettingsFile::WriteRecord(std::string_view section, std::string_view key, const void* data, size_t size)
{
    const std::string path = Path();
    return !path.empty() && CPrivateProfile::WriteStruct(path, section, key, data, size);
}

bool CSettingsFile::ReadEffect(std::string_view section, std::string_view key, EffectRecord& record) const
{
    EffectRecord read;
    if (!ReadRecord(section, key, &read, sizeof read))
        return false;
    record = read;
    return true;
}

bool CSettingsFile::WriteEffect(std::string_view section, std::string_view key, const EffectRecord& record)
{
    return WriteRecord(section, key, &record, sizeof record);
}

bool CSettingsFile::ReadPreset(std::string_view section, std::string_view key, SPreset& preset) const
{
    SPreset read;
    if (!ReadRecord(section, key, &read, sizeof read))
        return false;
    preset = read;
    return true;
}

bool CSettingsFile::WritePreset(std::string_view section, std::string_view key, const SPreset& preset)
{
    return WriteRecord(section, key, &preset, sizeof preset);
}

bool CSettingsFile::DeleteSection(std::string_view section)
{
    const std::string path = Path();
    return !path.empty() && CPrivateProfile::DeleteSection(path, section);
}

bool CSettingsFile::DeleteKey(std::string_view section, std::string_view key)
{
    const std::string path = Path();
    return !path.empty() && CPrivateProfile::DeleteKey(path, section, key);
}

} // namespace vy
