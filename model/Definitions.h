#pragma once

#include "model/EffectRecord.h"
#include "model/GroupDef.h"
#include "model/LoadReport.h"
#include "model/ParamDef.h"

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace vy {

class IResourceProvider;

// mergeNo -> paramNo, in reading order for equal keys.
using MergeTable = std::multimap<int32_t, int32_t>;

// The device's definitions as the product data declares them: parameters
// with their merge table, groups with the equaliser range and the
// effect-number parameter, the built-in effects and device custom slots with
// their counts, and the effect files. The workspace owns one and reloads it
// at start-up and on every device change.
//
// Every loader first clears what it fills. A document that is missing or
// malformed, or lacks `VyAudio` or the section, leaves the lists empty and
// returns false; nothing else is reported to the user.
class CDefinitions {
public:
    // Section "DefaultParamInfo" of ("DATA", "parameter"). Rebuilds the
    // parameter list and the merge table and sets current.values[k] to the
    // k-th entry's defVal. At most 64 entries are kept.
    bool LoadParamDefs(const IResourceProvider& resources, EffectRecord& current, LoadReport* report = nullptr);
    // Section "DefaultGroupInfo": groups, the equaliser range (a name with
    // "均衡") and the effect-number parameter (a name with "音效编号").
    bool LoadGroupDefs(const IResourceProvider& resources, LoadReport* report = nullptr);
    // Section "DefaultEffectInfo": built-in effects, then device custom slots.
    bool LoadDefaultEffects(const IResourceProvider& resources, LoadReport* report = nullptr);
    // Section "ZanEffectFiles" of the named document ("effect" for the PX40).
    bool LoadEffectFiles(const IResourceProvider& resources, std::string_view documentName,
                         LoadReport* report = nullptr);

    // All four, as the workspace's initialisation runs them.
    bool LoadAll(const IResourceProvider& resources, std::string_view effectFileDocument, EffectRecord& current,
                 LoadReport* report = nullptr);

    const std::vector<ParamDef>& ParamDefs() const { return m_paramDefs; }
    const MergeTable& Merges() const { return m_mergeTable; }
    const std::vector<GroupDef>& GroupDefs() const { return m_groupDefs; }
    // Built-in effects followed by device custom slots, by global index. The
    // slots may be overwritten with stored or device-supplied records.
    const std::vector<EffectRecord>& Effects() const { return m_effects; }
    std::vector<EffectRecord>& Effects() { return m_effects; }
    const std::vector<EffectRecord>& EffectFiles() const { return m_effectFiles; }

    int32_t EqFirstParam() const { return m_eqFirstParam; }
    int32_t EqBandCount() const { return m_eqBandCount; }
    int32_t EffectNumberParam() const { return m_effectNumberParam; }

    int32_t DefaultEffectCount() const { return m_defaultEffectCount; }
    int32_t DeviceCustomEffectCount() const { return m_deviceCustomEffectCount; }
    int32_t DeviceEffectCount() const { return m_defaultEffectCount + m_deviceCustomEffectCount; }

    bool IsValidParam(int32_t paramNo) const
    {
        return paramNo >= 0 && paramNo < static_cast<int32_t>(m_paramDefs.size());
    }
    // The group's parameter numbers paramNos[0 .. nParam-1] that name an
    // existing parameter, in display order (others are skipped).
    std::vector<int32_t> GroupParamNumbers(size_t group) const;

    // Drops everything, counts included.
    void Clear();

private:
    std::vector<ParamDef> m_paramDefs;
    MergeTable m_mergeTable;
    std::vector<GroupDef> m_groupDefs;
    std::vector<EffectRecord> m_effects;
    std::vector<EffectRecord> m_effectFiles;
    int32_t m_eqFirstParam = 0;
    int32_t m_eqBandCount = 0;
    int32_t m_effectNumberParam = 0;
    int32_t m_defaultEffectCount = 0;
    int32_t m_deviceCustomEffectCount = 0;
};

}  // namespace vy
