// The workspace: loading the definitions and the user's state, the current
// values and their way to the card, and the card's reports.
#include "base/Log.h"
#include "base/MessageTarget.h"
#include "base/UiLoop.h"
#include "device/CommDeviceMgmt.h"
#include "model/RuleSet.h"
#include "protocol/DeviceEvents.h"
#include "protocol/ParamControlBinder.h"
#include "protocol/ParamItems.h"
#include "protocol/VYAudioProtocol.h"
#include "protocol/WorkspaceEvents.h"

#include <algorithm>

namespace vy {

void CVYAudioProtocol::SetRuleSet(RuleSet* rules)
{
    m_rules = rules ? rules : &RuleSet::Instance();
}

void CVYAudioProtocol::SetupSendThrottle(
    IMessageTarget* window, uint32_t timerId, uint32_t intervalMs, bool deferAlways)
{
    m_throttle.Setup(window, timerId, intervalMs, deferAlways);
}

// --- life ---

void CVYAudioProtocol::Init()
{
    const IResourceProvider* resources = m_config.resources;
    if (resources) {
        m_defs.LoadParamDefs(*resources, m_current);
        m_defs.LoadGroupDefs(*resources);
        m_defs.LoadDefaultEffects(*resources);
        m_defs.LoadEffectFiles(*resources, m_config.effectFileDocument);
    } else {
        VY_LOG("no definition documents: the workspace is empty");
        m_defs.Clear();
    }
    BuildGroups();
    m_presetLists.assign(m_groupParams.size(), {});

    EffectRecord stored;
    if (m_rules->SupportSyncDeviceParams() == 0
        && m_settings->ReadEffect(settings::kLastStatus, settings::kCurrentEffect, stored))
        m_current = stored;
    else if (!m_defs.Effects().empty())
        m_current = m_defs.Effects()[0];
    m_saved = m_current;

    std::vector<EffectRecord>& effects = m_defs.Effects();
    for (int32_t s = 0; s < m_defs.DeviceCustomEffectCount(); ++s) {
        EffectRecord slot;
        if (m_settings->ReadEffect(settings::kDeviceCustomEffect, std::to_string(s), slot))
            effects[static_cast<size_t>(m_defs.DefaultEffectCount() + s)] = slot;
    }

    m_myEffects.clear();
    const int32_t myCount = std::max<int32_t>(0, m_rules->MyEffectMaxCount());
    for (int32_t s = 0; s < myCount; ++s) {
        EffectRecord record;
        if (!m_settings->ReadEffect(settings::kMyCustomEffect, std::to_string(s), record))
            record = EffectRecord::MakeEmpty();
        m_myEffects.push_back(record);
    }
    m_extraEffects.clear();
    LoadHotkeys();
    LoadDownloaded();
}

void CVYAudioProtocol::Start()
{
    Init();
    SNotifyCenter* center = m_notifyCenter.load();
    if (center)
        m_recvSubscription
            = CEventSubscription(*center, events::kRecvData, [this](const CEventBase& event) { OnRecvData(event); });
}

void CVYAudioProtocol::Release()
{
    m_recvSubscription.Reset();
    m_defs.Clear();
    m_myEffects.clear();
    m_extraEffects.clear();
    m_downloaded.clear();
    m_downloadedById.clear();
    m_hotkeys.clear();
    m_groupParams.clear();
    m_groupNames.clear();
    m_presetLists.clear();
    m_pending.clear();
}

void CVYAudioProtocol::BuildGroups()
{
    m_groupParams.clear();
    m_groupNames.clear();
    for (size_t g = 0; g < m_defs.GroupDefs().size(); ++g) {
        m_groupParams.push_back(m_defs.GroupParamNumbers(g));
        m_groupNames.push_back(m_defs.GroupDefs()[g].name);
    }
}

void CVYAudioProtocol::LoadHotkeys()
{
    m_hotkeys.clear();
    std::vector<EffectRecord>& effects = m_defs.Effects();
    for (size_t i = 0; i < effects.size(); ++i) {
        const int value = m_settings->GetInt(settings::kEffectHotKey, std::to_string(i), 0);
        if (value != 0) {
            effects[i].hotkey = value;
            m_hotkeys[static_cast<int32_t>(i)] = static_cast<uint32_t>(value);
        }
    }
    for (size_t s = 0; s < m_myEffects.size(); ++s) {
        const int32_t globalIndex = m_defs.DeviceEffectCount() + static_cast<int32_t>(s);
        const int value = m_settings->GetInt(settings::kEffectHotKey, std::to_string(globalIndex), 0);
        if (value != 0) {
            m_myEffects[s].hotkey = value;
            m_hotkeys[globalIndex] = static_cast<uint32_t>(value);
        }
    }
}

void CVYAudioProtocol::LoadDownloaded()
{
    m_downloaded.clear();
    const std::string& section = m_config.downloadSection;
    const int count = m_settings->GetInt(section, settings::kCount, 0);
    for (int i = 0; i < count; ++i) {
        EffectRecord record;
        if (m_settings->ReadEffect(section, std::to_string(i), record))
            m_downloaded.push_back(record);
    }
    RebuildDownloadedIndex();
}

void CVYAudioProtocol::RebuildDownloadedIndex()
{
    m_downloadedById.clear();
    for (size_t i = 0; i < m_downloaded.size(); ++i)
        m_downloadedById[m_downloaded[i].cloudId] = i; // a later record wins
}

const EffectRecord* CVYAudioProtocol::FindDownloaded(int32_t cloudId) const
{
    auto found = m_downloadedById.find(cloudId);
    return found == m_downloadedById.end() ? nullptr : &m_downloaded[found->second];
}

// --- reading ---

int32_t CVYAudioProtocol::GetValue(int32_t paramNo) const
{
    if (paramNo < 0 || paramNo >= static_cast<int32_t>(kEffectValueCount))
        return 0;
    return m_current.values[paramNo];
}

bool CVYAudioProtocol::IsDeviceReady() const
{
    ICommDeviceMgmt* manager = DeviceManager();
    return manager && m_connected.load() != 0 && manager->IsOpen();
}

int32_t CVYAudioProtocol::DecodeReportedEffect(int32_t value) const
{
    const int32_t deviceCount = m_defs.DeviceEffectCount();
    if (value < deviceCount)
        return std::max(0, value);
    const int32_t index = m_defs.DefaultEffectCount() + (value >> 4) - 1;
    return std::clamp(index, 0, std::max(0, deviceCount - 1));
}

int32_t CVYAudioProtocol::DecodeConnectEffect(int32_t value) const
{
    if (value < 16)
        return value;
    return m_defs.DefaultEffectCount() + (value >> 4) - 1;
}

bool CVYAudioProtocol::IsMerged(int32_t paramNo) const
{
    return m_defs.IsValidParam(paramNo) && m_defs.ParamDefs()[static_cast<size_t>(paramNo)].bitMerge != 0;
}

bool CVYAudioProtocol::FireIfMainWindow(const CEventBase& event)
{
    SNotifyCenter* center = m_notifyCenter.load();
    if (!m_mainWindow || !center)
        return false;
    center->Fire(event);
    return true;
}

// --- values ---

void CVYAudioProtocol::SetParam(int32_t paramNo, int32_t value)
{
    if (!m_defs.IsValidParam(paramNo))
        return;
    if (m_current.values[paramNo] == value)
        return;
    m_current.values[paramNo] = value;
    const ParamDef& def = m_defs.ParamDefs()[static_cast<size_t>(paramNo)];
    VY_LOG("SetParam: %s %d  %d", def.name.c_str(), paramNo, value);
    if (!IsDeviceReady())
        return;
    if (def.bitMerge != 0)
        m_pending[def.mergeNo] = ComposeMerged(m_defs.ParamDefs(), m_defs.Merges(), m_current.values, def.mergeNo);
    else
        m_pending[paramNo] = value;
    m_throttle.Signal();
}

void CVYAudioProtocol::OnUiParamChanged(int controlId, int32_t paramNo, int32_t value)
{
    SetParam(paramNo, value);
    const int32_t eqFirst = m_defs.EqFirstParam();
    if (paramNo >= eqFirst && paramNo < eqFirst + m_defs.EqBandCount())
        FireIfMainWindow(EventParamChanged({ { paramNo, value } }));
    if (controlId == kOneTouchSoundtrackId && m_current.kind != kEffectKindFile
        && m_current.kind != kEffectKindCloudFile) {
        int32_t eqAffected = 1, reverbAffected = 1;
        // The rule of the whole effect number, not only its low four bits.
        if (const std::optional<EffectRule> rule = m_rules->Find(GetEffectNumberValue())) {
            eqAffected = rule->IsForbidEQ ? 0 : 1;
            reverbAffected = rule->IsForbidReverb ? 0 : 1;
        }
        if (SNotifyCenter* center = m_notifyCenter.load())
            center->Fire(EventOneTouchSoundtrack(value, eqAffected, reverbAffected));
    }
}

bool CVYAudioProtocol::SendAllParams(int all)
{
    if (!IsDeviceReady())
        return false;
    m_pending.clear();
    const int32_t effectNumber = GetEffectNumberValue();
    if (all == 0
        && ((m_current.kind == kEffectKindBuiltIn && effectNumber < m_defs.DefaultEffectCount())
            || m_current.kind == kEffectKindDeviceCustom)) {
        // The card knows its own effects: only the selection travels.
        m_pending[m_defs.EffectNumberParam()] = effectNumber;
        return WriteParams(0);
    }
    ComposeFullSet(m_defs.ParamDefs(), m_current.values, all != 0, m_pending);
    return WriteParams(0);
}

bool CVYAudioProtocol::SendEffectNumber(int32_t value)
{
    if (!IsDeviceReady())
        return false;
    m_pending.clear();
    m_pending[m_defs.EffectNumberParam()] = value;
    return WriteParams(0);
}

bool CVYAudioProtocol::StoreEffectOnDevice(const EffectRecord& record)
{
    if (!IsDeviceReady())
        return false;
    m_pending.clear();
    ComposeFullSet(m_defs.ParamDefs(), record.values, false, m_pending);
    return WriteParams(1);
}

void CVYAudioProtocol::ApplyRecord(const EffectRecord& record)
{
    m_pending.clear();
    std::copy(std::begin(record.name), std::end(record.name), std::begin(m_current.name));
    m_current.cloudId = record.cloudId;
    m_current.kind = record.kind;
    m_current.index = record.index;
    m_current.isFile = record.isFile;
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    for (size_t i = 0; i < defs.size() && i < kEffectValueCount; ++i) {
        if (defs[i].sendDevice != 0)
            m_current.values[i] = record.values[i];
    }
    m_saved = m_current;
}

void CVYAudioProtocol::RaiseParamChanged()
{
    if (!m_binder)
        return;
    EventParamChanged event;
    const int32_t eqFirst = m_defs.EqFirstParam();
    const int32_t eqEnd = eqFirst + m_defs.EqBandCount();
    const auto count = static_cast<int32_t>(m_defs.ParamDefs().size());
    for (int32_t i = 0; i < count; ++i) {
        const int control = m_binder->PrimaryControl(i);
        if (control < 0)
            continue;
        m_binder->UpdateBoundControl(control, m_current.values[i]);
        if (i >= eqFirst && i < eqEnd)
            event.Add(i, m_current.values[i]);
    }
    FireIfMainWindow(event);
}

// --- the card's reports ---

void CVYAudioProtocol::OnRecvData(const CEventBase& event)
{
    const auto* report = dynamic_cast<const CPacketEvent*>(&event);
    if (!report)
        return;
    const uint8_t* packet = report->Packet().data();
    if (packet[kPacketCode] == cmd::kParamReport)
        OnParamReport(packet);
    else if (packet[kPacketCode] == cmd::kCustomEffectsChanged)
        SyncDeviceCustomEffects();
}

void CVYAudioProtocol::OnParamReport(const uint8_t* packet)
{
    const std::vector<SParamItem> items = ReadItemList(packet, GetPacketLength(), EItemEncoding::kParamReport);
    EventParamChanged changed;
    for (const SParamItem& item : items) {
        if (item.number == m_defs.EffectNumberParam()) {
            const int32_t index = DecodeReportedEffect(item.value);
            if (index >= 0 && index < static_cast<int32_t>(m_defs.Effects().size()))
                ApplyRecord(m_defs.Effects()[static_cast<size_t>(index)]);
        }
        if (!m_defs.IsValidParam(item.number)) {
            VY_LOG("parameter report names parameter %d, which is not defined: the rest is ignored", item.number);
            return;
        }
        m_current.values[item.number] = item.value;
        if (m_binder) {
            const int control = m_binder->PrimaryControl(item.number);
            if (control >= 0)
                m_binder->UpdateBoundControl(control, item.value);
        }
        changed.Add(item.number, item.value);
    }
    RaiseParamChanged();
    if (!items.empty()) {
        if (SNotifyCenter* center = m_notifyCenter.load())
            center->Fire(changed);
    }
}

void CVYAudioProtocol::SyncDeviceCustomEffects()
{
    if (m_rules->SupportCustomSync() == 0 || !IsDeviceReady())
        return;
    std::vector<EffectRecord>& effects = m_defs.Effects();
    for (int32_t s = 1; s <= m_defs.DeviceCustomEffectCount(); ++s) {
        const auto index = static_cast<size_t>(m_defs.DefaultEffectCount() + s - 1);
        if (index < effects.size())
            GetDevDiyEff(s, effects[index]); // a slot that fails keeps its values
    }
}

} // namespace vy
