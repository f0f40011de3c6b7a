#pragma once

#include "model/LoadReport.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
}

namespace vy {

class IResourceProvider;

// What the effect page shows or forbids while an effect is active; one child
// of the "EffectRule" section, keyed by its EffectNo.
struct EffectRule {
    int32_t IsForbidVC = 0;
    int32_t IsForbidEQ = 0;
    int32_t IsForbidReverb = 0;
    int32_t IsForbidPitch = 0;
    int32_t IsForbidReverbAndPitch = 0;
    int32_t IsForbidEletric = 0;
    int32_t IsSwitchToPitchTabPage = 0;
    int32_t IsEnableSaveEffect = 1;
    int32_t IsEnableOneTouchSoundtrack = 1;
    int32_t IsEnableDodge = 1;

    bool operator==(const EffectRule&) const = default;
};

// The product rules read from the "rule" document, including the format of
// sounds stored on the device. One process-wide object (Instance); tests and
// tools may make their own. Every accessor may be called from any thread: a
// decoder worker reads the sound format while the UI thread reloads.
class RuleSet {
public:
    // Reset values of the sound format.
    static constexpr int32_t kDefaultSampleRate = 44100;
    static constexpr int32_t kDefaultChannels = 1;
    static constexpr int32_t kDefaultBitsPerSample = 16;
    static constexpr int32_t kDefaultMyEffectMaxCount = 12;

    RuleSet();
    RuleSet(const RuleSet&) = delete;
    RuleSet& operator=(const RuleSet&) = delete;

    // The process-wide rule set, created on first use.
    static RuleSet& Instance();

    void Reset();
    // Resets, then reads ("DATA", "rule"). True when the document, its
    // `VyAudio` and its `Rule` element were found; otherwise the reset values stay.
    bool Load(const IResourceProvider& resources, LoadReport* report = nullptr);
    // Same, from a document already in memory.
    bool LoadText(std::string_view xml, LoadReport* report = nullptr);
    // The device model decides adpcm and the sample rate, whatever the
    // document says: 0 and 44100 for "PX40", 1 and 48000 for any other model.
    // Run it after every Load.
    void ApplyModelOverride(std::string_view model);

    // The rule of an effect key, or none. Negative keys (effect files) are never in the map.
    std::optional<EffectRule> Find(int32_t effectNo) const;
    std::map<int32_t, EffectRule> EffectRules() const;

    uint8_t SwitchAfterDeviceSave() const;
    uint8_t SwitchAfterMySave() const;
    int32_t MyEffectMaxCount() const;
    bool DeviceCustomCanRename() const;
    bool TipSaveOnChange() const;
    int32_t SupportCustomSync() const;
    int32_t SupportSyncDeviceParams() const;

    // The format and length limits of sounds stored on the device.
    int32_t Adpcm() const;
    int32_t SoundSampleRate() const;
    int32_t ChannelNum() const;
    int32_t BitPerSample() const;
    // Limit in seconds per sound slot number (entry n for slot n); may be empty.
    std::vector<int32_t> MaxInterceptDurations() const;

private:
    struct Values {
        uint8_t switchAfterDeviceSave = 0;
        uint8_t switchAfterMySave = 0;
        std::map<int32_t, EffectRule> effectRules;
        int32_t myEffectMaxCount = kDefaultMyEffectMaxCount;
        bool deviceCustomCanRename = true;
        bool tipSaveOnChange = true;
        int32_t supportCustomSync = 0;
        int32_t supportSyncDeviceParams = 0;
        int32_t adpcm = 0;
        int32_t soundSampleRate = kDefaultSampleRate;
        int32_t channelNum = kDefaultChannels;
        int32_t bitPerSample = kDefaultBitsPerSample;
        std::vector<int32_t> maxInterceptDurations;
    };

    // Reads a parsed document into fresh values; true when VyAudio and Rule exist.
    static bool Read(const pugi::xml_document& doc, Values& values, LoadReport* report);
    void Replace(Values values);

    mutable std::mutex m_mutex;
    Values m_values;
};

}  // namespace vy
