// The workspace: selecting effects of every kind, and group resets.
#include "base/Log.h"
#include "protocol/VYAudioProtocol.h"

#include <filesystem>
#include <set>

namespace vy {
namespace {

// The equaliser bands of a file or cloud effect are flat: the file carries
// its own filters.
constexpr int32_t kFlatBandFirst = 14;
constexpr int32_t kFlatBandLast = 23;
constexpr int32_t kFlatBandValue = 12;

bool FileExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

void FlattenBands(EffectRecord& record)
{
    for (int32_t i = kFlatBandFirst; i <= kFlatBandLast; ++i)
        record.values[i] = kFlatBandValue;
}

} // namespace

bool CVYAudioProtocol::SelectDeviceEffect(int32_t globalIndex)
{
    const std::vector<EffectRecord>& effects = m_defs.Effects();
    if (globalIndex < 0 || globalIndex >= static_cast<int32_t>(effects.size()))
        return false;
    ApplyRecord(effects[static_cast<size_t>(globalIndex)]);
    RaiseParamChanged();
    SendEffectNumber(globalIndex);
    return true;
}

bool CVYAudioProtocol::SelectMyEffect(int32_t slot)
{
    if (slot < 0 || slot >= static_cast<int32_t>(m_myEffects.size()) || m_myEffects[static_cast<size_t>(slot)].empty)
        return false;
    ApplyRecord(m_myEffects[static_cast<size_t>(slot)]);
    RaiseParamChanged();
    SendAllParams(0);
    return true;
}

bool CVYAudioProtocol::SelectEffect(int32_t index, int32_t kind)
{
    const std::vector<EffectRecord>& effects = m_defs.Effects();
    const EffectRecord* source = nullptr;
    auto in = [&](const std::vector<EffectRecord>& list, int32_t at) {
        return at >= 0 && at < static_cast<int32_t>(list.size()) ? &list[static_cast<size_t>(at)] : nullptr;
    };
    switch (kind) {
    case kEffectKindBuiltIn:
        if (index < m_defs.DefaultEffectCount())
            source = in(effects, index);
        break;
    case kEffectKindDeviceCustom:
        if (index >= 0 && index < m_defs.DeviceCustomEffectCount())
            source = in(effects, m_defs.DefaultEffectCount() + index);
        break;
    case kEffectKindMyCustom:
        source = in(m_myEffects, index);
        break;
    case kEffectKindFileList:
        source = in(m_defs.EffectFiles(), index);
        break;
    case kEffectKindExtraList:
        source = in(m_extraEffects, index);
        break;
    case kEffectKindDownloaded:
        source = FindDownloaded(index);
        break;
    default:
        break;
    }
    if (!source)
        return false;
    const EffectRecord record = *source;

    // The values that differ go to the card once the record is applied
    // (applying empties the pending writes); a packed parameter travels in
    // the word of its carrier.
    std::set<int32_t> changed;
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    for (size_t i = 0; i < defs.size() && i < kEffectValueCount; ++i) {
        if (defs[i].sendDevice != 0 && record.values[i] != m_current.values[i])
            changed.insert(static_cast<int32_t>(i));
    }
    ApplyRecord(record);
    RaiseParamChanged();
    if (changed.empty() || !IsDeviceReady())
        return true;
    for (const int32_t i : changed) {
        const ParamDef& def = defs[static_cast<size_t>(i)];
        if (def.bitMerge != 0)
            m_pending[def.mergeNo] = ComposeMerged(defs, m_defs.Merges(), m_current.values, def.mergeNo);
        else
            m_pending[i] = m_current.values[i];
    }
    return WriteParams(0);
}

bool CVYAudioProtocol::SelectFileEffect(int32_t index, int32_t kind)
{
    const std::vector<EffectRecord>& files = m_defs.EffectFiles();
    if (kind == kEffectKindFileList || kind == kEffectKindExtraList) {
        const std::vector<EffectRecord>& list = kind == kEffectKindFileList ? files : m_extraEffects;
        if (index < 0 || index >= static_cast<int32_t>(list.size()))
            return false;
        ApplyRecord(list[static_cast<size_t>(index)]);
        RaiseParamChanged();
        SendAllParams(0);
        return true;
    }
    if (kind != kEffectKindFile && kind != kEffectKindCloudFile)
        return false;
    if (index < 0 || index >= static_cast<int32_t>(files.size()))
        return false;
    const EffectRecord record = files[static_cast<size_t>(index)];
    const std::string path = m_config.resourceFolder + "/" + record.Path();
    if (!FileExists(path)) {
        VY_LOG("effect file %s does not exist", path.c_str());
        return false;
    }
    ApplyRecord(record);
    RaiseParamChanged();
    return IsDeviceReady() && SendEffectFile(path, 0);
}

bool CVYAudioProtocol::SelectCloudEffect(int32_t cloudId)
{
    const EffectRecord* found = FindDownloaded(cloudId);
    if (!found || !FileExists(found->Path()))
        return false;
    EffectRecord record = *found;
    FlattenBands(record);
    ApplyRecord(record);
    RaiseParamChanged();
    return IsDeviceReady() && SendEffectFile(record.Path(), 0);
}

bool CVYAudioProtocol::ApplyFileEffect(const EffectRecord& source, const std::string& path, uint16_t number)
{
    if (!FileExists(path))
        return false;
    EffectRecord record = source;
    FlattenBands(record);
    ApplyRecord(record);
    RaiseParamChanged();
    return IsDeviceReady() && SendEffectFile(path, number);
}

EffectRecord CVYAudioProtocol::StoredCurrent() const
{
    const std::vector<EffectRecord>& effects = m_defs.Effects();
    const int32_t index = m_current.index;
    switch (m_current.kind) {
    case kEffectKindBuiltIn:
        if (index >= 0 && index < m_defs.DefaultEffectCount())
            return effects[static_cast<size_t>(index)];
        break;
    case kEffectKindDeviceCustom:
        if (index >= 0 && index < m_defs.DeviceCustomEffectCount())
            return effects[static_cast<size_t>(m_defs.DefaultEffectCount() + index)];
        break;
    case kEffectKindMyCustom:
        if (index >= 0 && index < static_cast<int32_t>(m_myEffects.size()))
            return m_myEffects[static_cast<size_t>(index)];
        break;
    case kEffectKindDownloaded:
        if (const EffectRecord* found = FindDownloaded(m_current.cloudId))
            return *found;
        break;
    default:
        break;
    }
    return EffectRecord {};
}

bool CVYAudioProtocol::ResetGroupToEffect(int32_t group)
{
    if (group < 0 || group >= static_cast<int32_t>(m_groupParams.size()))
        return false;
    const EffectRecord stored = StoredCurrent();
    const bool ready = IsDeviceReady();
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    std::map<int32_t, uint32_t> words; // packed words of this group's parts only
    for (const int32_t p : m_groupParams[static_cast<size_t>(group)]) {
        m_current.values[p] = stored.values[p];
        if (!ready)
            continue;
        const ParamDef& def = defs[static_cast<size_t>(p)];
        if (def.bitMerge != 0) {
            const uint32_t part = def.mergeEndBit >= 0 && def.mergeEndBit <= 31
                ? static_cast<uint32_t>(stored.values[p]) << def.mergeEndBit
                : 0;
            words[def.mergeNo] |= part;
        } else {
            m_pending[p] = stored.values[p];
        }
    }
    for (const auto& [key, word] : words)
        m_pending[key] = static_cast<int32_t>(static_cast<uint32_t>(m_pending[key]) | word);
    RaiseParamChanged();
    if (ready)
        return WriteParams(0);
    return true;
}

bool CVYAudioProtocol::ApplyPreset(int32_t group, int32_t slot)
{
    const SPreset* preset = GetPreset(slot, group);
    if (!preset || group < 0 || group >= static_cast<int32_t>(m_groupParams.size()))
        return false;
    const std::vector<int32_t>& params = m_groupParams[static_cast<size_t>(group)];
    if (preset->count != static_cast<int32_t>(params.size()))
        return false;
    const bool ready = IsDeviceReady();
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    for (size_t i = 0; i < params.size() && i < 32; ++i) {
        const int32_t p = params[i];
        m_current.values[p] = preset->values[i];
        if (!ready)
            continue;
        const ParamDef& def = defs[static_cast<size_t>(p)];
        if (def.bitMerge != 0 && def.mergeEndBit >= 0 && def.mergeEndBit <= 31)
            m_pending[def.mergeNo] = static_cast<int32_t>(static_cast<uint32_t>(m_pending[def.mergeNo])
                | static_cast<uint32_t>(preset->values[i]) << def.mergeEndBit);
        else if (def.bitMerge == 0)
            m_pending[p] = preset->values[i];
    }
    RaiseParamChanged();
    return !ready || WriteParams(0);
}

} // namespace vy
