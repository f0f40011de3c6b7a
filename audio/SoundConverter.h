#pragma once

#include "audio/AcmStream.h"
#include "audio/ImaAdpcm.h"
#include "audio/LibmadDecoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

class IResourceProvider;
class RuleSet;
class SNotifyCenter;

// The device's sound format and the length limits per slot, as one
// consistent copy of the rule set's values.
struct SoundRule {
    int adpcm = 0;
    int soundSampleRate = 44100;
    int channelNum = 1;
    int bitPerSample = 16;
    std::vector<int> maxInterceptDurations;

    static SoundRule From(const RuleSet& rules);
};

// Turns a sound into the exact bytes one of the card's sound slots receives:
// decode (CLibmadDecoder, limited per slot), then convert the decoded WAV to
// the rule's format, as a WAV image or as PCM for the ADPCM encoder.
class CSoundConverter {
public:
    static constexpr int kInitialLimitSeconds = 20;

    // `rules` gives the device format at the moment of each use (default:
    // the process-wide rule set); `resources` serves the built-in sounds.
    explicit CSoundConverter(const IResourceProvider* resources = nullptr, SNotifyCenter* center = nullptr,
                             const RuleSet* rules = nullptr);
    ~CSoundConverter();
    CSoundConverter(const CSoundConverter&) = delete;
    CSoundConverter& operator=(const CSoundConverter&) = delete;

    // The limit for a slot: the rule list's entry at that index when there
    // is one, else 35, 35, 20 seconds for indexes 0, 1, 2, else `current`.
    static int SelectLimit(int slotIndex, const std::vector<int>& limits, int current);

    // Chooses the slot's limit and starts the decoder with `sendVolume`
    // (percent). False when the decoder could not start: no event follows.
    bool StartDecode(int slotIndex, const void* owner, const std::string& source, float sendVolume,
                     bool fromResource);
    bool StartDecode(int slotIndex, const void* owner, const std::string& source, float sendVolume,
                     bool fromResource, const SoundRule& rule);

    // Converts the decoded WAV at `wavPath` (at most the limit) to the rule's
    // format. ConvertToWaveImage leaves a canonical WAV image in Output(),
    // ConvertToPcm the bare PCM. False when the file is refused or the
    // conversion cannot be done; Output() is then empty.
    // Without a rule argument they read the rule set.
    bool ConvertToWaveImage(const std::string& wavPath);
    bool ConvertToWaveImage(const std::string& wavPath, const SoundRule& rule);
    bool ConvertToPcm(const std::string& wavPath);
    bool ConvertToPcm(const std::string& wavPath, const SoundRule& rule);
    // The bytes the card receives: the WAV image when the rule's adpcm is 0,
    // else the PCM IMA-ADPCM-encoded over itself, bytes / 4 long.
    bool ConvertForDevice(const std::string& wavPath);
    bool ConvertForDevice(const std::string& wavPath, const SoundRule& rule);

    const std::vector<uint8_t>& Output() const { return m_output; }
    int Limit() const { return m_limit; }
    CLibmadDecoder& Decoder() { return m_decoder; }

private:
    bool Convert(const std::string& wavPath, const SoundRule& rule, WaveFormatEx& target);

    const RuleSet& m_rules;
    std::string m_source;
    CLibmadDecoder m_decoder;
    std::vector<uint8_t> m_output;
    int m_limit = kInitialLimitSeconds;
    CAcmStream m_stream;
    CImaAdpcmEncoder m_adpcm;
};

}  // namespace vy
