#include "model/RuleSet.h"

#include "model/DeviceModel.h"
#include "model/XmlRead.h"

#include <pugixml.hpp>

#include <utility>

namespace vy {

RuleSet::RuleSet() = default;

RuleSet& RuleSet::Instance()
{
    static RuleSet instance;
    return instance;
}

void RuleSet::Reset()
{
    Replace(Values{});
}

void RuleSet::Replace(Values values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values = std::move(values);
}

bool RuleSet::Load(const IResourceProvider& resources, LoadReport* report)
{
    Reset();
    pugi::xml_document doc;
    if (!xml::LoadDocument(resources, "rule", doc, report))
        return false;
    Values values;
    bool found = Read(doc, values, report);
    Replace(std::move(values));
    return found;
}

bool RuleSet::LoadText(std::string_view text, LoadReport* report)
{
    Reset();
    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size())) {
        if (report)
            report->Add("document \"rule\" is not well-formed");
        return false;
    }
    Values values;
    bool found = Read(doc, values, report);
    Replace(std::move(values));
    return found;
}

bool RuleSet::Read(const pugi::xml_document& doc, Values& values, LoadReport* report)
{
    pugi::xml_node root = xml::Root(doc);
    if (!root) {
        if (report)
            report->Add("document \"rule\" has no VyAudio element");
        return false;
    }
    pugi::xml_node rule = xml::FindChild(root, "Rule");
    if (!rule) {
        if (report)
            report->Add("document \"rule\" has no Rule element");
        return false;
    }

    if (pugi::xml_node save = xml::FindSection(rule, "SaveEffectRule")) {
        if (pugi::xml_node cloud = xml::FindSection(save, "SaveEffectToCloudRule"))
            values.switchAfterDeviceSave = static_cast<uint8_t>(xml::ReadInt(cloud, "bSwitchToCloudEff", 0, report));
        if (pugi::xml_node diy = xml::FindSection(save, "SaveEffectToDiyRule"))
            values.switchAfterMySave = static_cast<uint8_t>(xml::ReadInt(diy, "bSwitchToCloudEff", 0, report));
    }

    if (pugi::xml_node effects = xml::FindSection(rule, "EffectRule")) {
        for (pugi::xml_node child : effects.children()) {
            if (child.type() != pugi::node_element)
                continue;
            int32_t effectNo = xml::ReadInt(child, "EffectNo", -1, report);
            if (effectNo < 0) {
                if (report)
                    report->Add(xml::Describe(child) + " has no EffectNo and is ignored");
                continue;
            }
            EffectRule r;
            r.IsForbidVC = xml::ReadBool(child, "IsForbidVC", false);
            r.IsForbidEQ = xml::ReadBool(child, "IsForbidEQ", false);
            r.IsForbidReverb = xml::ReadBool(child, "IsForbidReverb", false);
            r.IsForbidPitch = xml::ReadBool(child, "IsForbidPitch", false);
            r.IsForbidReverbAndPitch = xml::ReadBool(child, "IsForbidReverbAndPitch", false);
            r.IsForbidEletric = xml::ReadBool(child, "IsForbidEletric", false);
            r.IsSwitchToPitchTabPage = xml::ReadBool(child, "IsSwitchToPitchTabPage", false);
            r.IsEnableSaveEffect = xml::ReadBool(child, "IsEnableSaveEffect", true);
            r.IsEnableOneTouchSoundtrack = xml::ReadBool(child, "IsEnableOneTouchSoundtrack", true);
            r.IsEnableDodge = xml::ReadBool(child, "IsEnableDodge", true);
            values.effectRules[effectNo] = r;  // a later rule for the same number wins
        }
    }

    if (pugi::xml_node other = xml::FindSection(rule, "OtherRule")) {
        values.myEffectMaxCount = xml::ReadInt(other, "MyEffectMaxCount", kDefaultMyEffectMaxCount, report);
        values.deviceCustomCanRename = xml::ReadBool(other, "DeviceCustomEffectCanChangeName", true);
        // Present section, absent attribute: no prompt (the reset value prompts).
        values.tipSaveOnChange = xml::ReadBool(other, "NeedTipSaveAsEffectByParamChange", false);
    }
    if (pugi::xml_node sync = xml::FindSection(rule, "SupportCustomSync"))
        values.supportCustomSync = xml::ReadInt(sync, "value", 0, report);
    if (pugi::xml_node sync = xml::FindSection(rule, "SupportSyncDeviceEffectParam"))
        values.supportSyncDeviceParams = xml::ReadInt(sync, "value", 0, report);

    if (pugi::xml_node sound = xml::FindSection(rule, "SoundDownloadRule")) {
        if (pugi::xml_node adpcm = xml::FindSection(sound, "ADPCM"))
            values.adpcm = xml::ReadInt(adpcm, "value", 0, report);
        if (pugi::xml_node rate = xml::FindSection(sound, "SoundSampleRate"))
            values.soundSampleRate = xml::ReadInt(rate, "value", kDefaultSampleRate, report);
        // Every child in turn: the last one decides channels and bits, and the
        // limit lists of all children are joined in document order.
        for (pugi::xml_node child : sound.children()) {
            if (child.type() != pugi::node_element)
                continue;
            values.channelNum = xml::ReadInt(child, "ChannelNum", kDefaultChannels, report);
            values.bitPerSample = xml::ReadInt(child, "BitPerSample", kDefaultBitsPerSample, report);
            std::vector<int32_t> limits = xml::ReadIntList(child, "MaxInterceptDuration", SIZE_MAX, report);
            values.maxInterceptDurations.insert(values.maxInterceptDurations.end(), limits.begin(), limits.end());
        }
    }
    return true;
}

void RuleSet::ApplyModelOverride(std::string_view model)
{
    ModelSoundFormat format = SoundFormatForModel(model);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.adpcm = format.adpcm;
    m_values.soundSampleRate = format.sampleRate;
}

std::optional<EffectRule> RuleSet::Find(int32_t effectNo) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_values.effectRules.find(effectNo);
    if (it == m_values.effectRules.end())
        return std::nullopt;
    return it->second;
}

std::map<int32_t, EffectRule> RuleSet::EffectRules() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.effectRules;
}

#define VY_RULE_GETTER(type, method, field)         \
    type RuleSet::method() const                    \
    {                                               \
        std::lock_guard<std::mutex> lock(m_mutex);  \
        return m_values.field;                      \
    }

VY_RULE_GETTER(uint8_t, SwitchAfterDeviceSave, switchAfterDeviceSave)
VY_RULE_GETTER(uint8_t, SwitchAfterMySave, switchAfterMySave)
VY_RULE_GETTER(int32_t, MyEffectMaxCount, myEffectMaxCount)
VY_RULE_GETTER(bool, DeviceCustomCanRename, deviceCustomCanRename)
VY_RULE_GETTER(bool, TipSaveOnChange, tipSaveOnChange)
VY_RULE_GETTER(int32_t, SupportCustomSync, supportCustomSync)
VY_RULE_GETTER(int32_t, SupportSyncDeviceParams, supportSyncDeviceParams)
VY_RULE_GETTER(int32_t, Adpcm, adpcm)
VY_RULE_GETTER(int32_t, SoundSampleRate, soundSampleRate)
VY_RULE_GETTER(int32_t, ChannelNum, channelNum)
VY_RULE_GETTER(int32_t, BitPerSample, bitPerSample)
VY_RULE_GETTER(std::vector<int32_t>, MaxInterceptDurations, maxInterceptDurations)

#undef VY_RULE_GETTER

}  // namespace vy
