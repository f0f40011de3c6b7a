// The workspace: saving the current settings, editing personal effects,
// downloaded effects, the unsaved-changes test and presets.
#include "base/Log.h"
#include "base/PrivateProfile.h"
#include "model/RuleSet.h"
#include "protocol/VYAudioProtocol.h"

namespace vy {
namespace {

// Preset groups are 1 to 3; a custom preset needs the group's built-in four.
constexpr int32_t kFirstPresetGroup = 1;
constexpr int32_t kLastPresetGroup = 3;
constexpr size_t kBuiltInPresets = 4;

std::string PresetKey(int32_t group, int32_t slot)
{
    return std::to_string(group) + "_" + std::to_string(slot);
}

} // namespace

bool CVYAudioProtocol::SaveCurrentAs(int32_t slot, int32_t kind, const std::string& name)
{
    if (name.empty())
        return false;
    EffectRecord copy = m_current;
    const int32_t effectNumberParam = m_defs.EffectNumberParam();
    const int32_t base = m_current.values[effectNumberParam] & 0x0F;
    if (kind == 0) {
        if (slot < 0 || slot >= m_defs.DeviceCustomEffectCount())
            return false;
        copy.SetName(name);
        copy.cloudId = 0;
        copy.isFile = 0;
        copy.kind = kEffectKindDeviceCustom;
        copy.index = slot;
        copy.values[effectNumberParam] = ((slot + 1) << 4) | base;
        m_defs.Effects()[static_cast<size_t>(m_defs.DefaultEffectCount() + slot)] = copy;
        const bool stored = StoreEffectOnDevice(copy);
        m_current = copy;
        if (!stored)
            return false;
        return m_settings->WriteEffect(settings::kDeviceCustomEffect, std::to_string(slot), copy);
    }
    if (kind == 1) {
        if (slot < 0 || slot >= static_cast<int32_t>(m_myEffects.size()))
            return false;
        copy.SetName(name);
        copy.cloudId = 0;
        copy.kind = kEffectKindMyCustom;
        copy.values[effectNumberParam] = 0xF0 | base;
        copy.isFile = 0;
        copy.index = slot;
        copy.empty = 0;
        m_myEffects[static_cast<size_t>(slot)] = copy;
        return m_settings->WriteEffect(settings::kMyCustomEffect, std::to_string(slot), copy);
    }
    return false;
}

bool CVYAudioProtocol::DeleteMyEffect(int32_t globalIndex)
{
    const int32_t slot = globalIndex - m_defs.DeviceEffectCount();
    if (slot < 0 || slot >= static_cast<int32_t>(m_myEffects.size()))
        return false;
    EffectRecord& record = m_myEffects[static_cast<size_t>(slot)];
    record = EffectRecord::MakeEmpty();
    return m_settings->WriteEffect(settings::kMyCustomEffect, std::to_string(slot), record);
}

bool CVYAudioProtocol::RenameMyEffect(int32_t globalIndex, const std::string& name)
{
    const int32_t slot = globalIndex - m_defs.DeviceEffectCount();
    if (slot < 0 || slot >= static_cast<int32_t>(m_myEffects.size()))
        return false;
    EffectRecord& record = m_myEffects[static_cast<size_t>(slot)];
    record.SetName(name);
    return m_settings->WriteEffect(settings::kMyCustomEffect, std::to_string(slot), record);
}

bool CVYAudioProtocol::SetDeviceSlotRecord(int32_t slot, const EffectRecord& record)
{
    if (slot < 0 || slot >= m_defs.DeviceCustomEffectCount())
        return false;
    EffectRecord& target = m_defs.Effects()[static_cast<size_t>(m_defs.DefaultEffectCount() + slot)];
    EffectRecord copy = record;
    std::copy(std::begin(target.name), std::end(target.name), std::begin(copy.name)); // the slot keeps its name
    copy.kind = kEffectKindDeviceCustom;
    copy.index = slot;
    copy.isFile = 0;
    target = copy;
    return m_settings->WriteEffect(settings::kDeviceCustomEffect, std::to_string(slot), copy);
}

bool CVYAudioProtocol::AddDownloaded(const EffectRecord& record)
{
    m_downloaded.push_back(record);
    RebuildDownloadedIndex();
    return WriteDownloaded();
}

bool CVYAudioProtocol::WriteDownloaded()
{
    const std::string path = m_settings->Path();
    if (path.empty())
        return false;
    // One replacement of the file for the count and every record.
    CProfileBatch batch(path);
    const std::string& section = m_config.downloadSection;
    bool ok = m_settings->SetInt(section, settings::kCount, static_cast<long>(m_downloaded.size()));
    for (size_t i = 0; i < m_downloaded.size(); ++i)
        ok = m_settings->WriteEffect(section, std::to_string(i), m_downloaded[i]) && ok;
    return batch.Commit() && ok;
}

bool CVYAudioProtocol::NameExists(int32_t kind, int32_t slot, const std::string& name) const
{
    const std::vector<EffectRecord>& effects = m_defs.Effects();
    const int32_t builtIn = m_defs.DefaultEffectCount();
    for (int32_t i = 0; i < builtIn && i < static_cast<int32_t>(effects.size()); ++i) {
        if (effects[static_cast<size_t>(i)].Name() == name)
            return true;
    }
    for (int32_t s = 0; s < m_defs.DeviceCustomEffectCount(); ++s) {
        const EffectRecord& record = effects[static_cast<size_t>(builtIn + s)];
        if (record.empty == 0 && !(kind == kEffectKindDeviceCustom && slot == s) && record.Name() == name)
            return true;
    }
    for (size_t s = 0; s < m_myEffects.size(); ++s) {
        const EffectRecord& record = m_myEffects[s];
        if (record.empty == 0 && !(kind == kEffectKindMyCustom && slot == static_cast<int32_t>(s))
            && record.Name() == name)
            return true;
    }
    for (const EffectRecord& record : m_defs.EffectFiles()) {
        if (record.Name() == name)
            return true;
    }
    return false;
}

bool CVYAudioProtocol::IsModified() const
{
    if (!m_rules->TipSaveOnChange() || m_saved.empty != 0)
        return false;
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    for (size_t i = 0; i < defs.size() && i < kEffectValueCount; ++i) {
        if (defs[i].sendDevice != 0 && static_cast<int32_t>(i) != m_defs.EffectNumberParam()
            && m_current.values[i] != m_saved.values[i])
            return true;
    }
    return false;
}

const SPreset* CVYAudioProtocol::GetPreset(int32_t slot, int32_t group) const
{
    if (group < 0 || group >= static_cast<int32_t>(m_presetLists.size()))
        return nullptr;
    const std::vector<SPreset>& list = m_presetLists[static_cast<size_t>(group)];
    if (slot < 0 || slot >= static_cast<int32_t>(list.size()))
        return nullptr;
    return &list[static_cast<size_t>(slot)];
}

bool CVYAudioProtocol::SaveCustomPreset(const std::string& name, int32_t group, int32_t slot)
{
    if (group < kFirstPresetGroup || group > kLastPresetGroup || group >= static_cast<int32_t>(m_presetLists.size()))
        return false;
    std::vector<SPreset>& list = m_presetLists[static_cast<size_t>(group)];
    // Custom presets follow the group's built-in ones, which nothing supplies yet.
    if (list.size() < kBuiltInPresets || slot < 0 || slot >= static_cast<int32_t>(list.size()))
        return false;
    SPreset preset;
    EffectRecord named;
    named.SetName(name);
    std::copy(named.name, named.name + 31, preset.name);
    const std::vector<int32_t>& params = m_groupParams[static_cast<size_t>(group)];
    for (size_t i = 0; i < params.size() && i < 32; ++i)
        preset.values[i] = m_current.values[params[i]];
    if (group == 2 || group == 3)
        preset.values[0] = 1; // the group's switch is on in a preset
    preset.count = static_cast<int32_t>(params.size());
    list[static_cast<size_t>(slot)] = preset;
    return m_settings->WritePreset(settings::kCustomPreset, PresetKey(group, slot), preset);
}

} // namespace vy
