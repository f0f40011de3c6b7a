#include "audio/SoundConverter.h"

#include "audio/WaveFile.h"
#include "base/Log.h"
#include "model/RuleSet.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vy {
namespace {

// Limits of the first three slot indexes when the rule has no list.
constexpr int kDefaultLimits[] = {35, 35, 20};

}  // namespace

SoundRule SoundRule::From(const RuleSet& rules)
{
    SoundRule rule;
    rule.adpcm = rules.Adpcm();
    rule.soundSampleRate = rules.SoundSampleRate();
    rule.channelNum = rules.ChannelNum();
    rule.bitPerSample = rules.BitPerSample();
    std::vector<int32_t> limits = rules.MaxInterceptDurations();
    rule.maxInterceptDurations.assign(limits.begin(), limits.end());
    return rule;
}

CSoundConverter::CSoundConverter(const IResourceProvider* resources, SNotifyCenter* center, const RuleSet* rules)
    : m_rules(rules ? *rules : RuleSet::Instance()), m_decoder(resources, center)
{
}

CSoundConverter::~CSoundConverter()
{
    m_decoder.Reset();
}

int CSoundConverter::SelectLimit(int slotIndex, const std::vector<int>& limits, int current)
{
    if (slotIndex >= 0 && static_cast<size_t>(slotIndex) < limits.size())
        return limits[static_cast<size_t>(slotIndex)];
    if (slotIndex >= 0 && slotIndex < 3)
        return kDefaultLimits[slotIndex];
    return current;
}

bool CSoundConverter::StartDecode(int slotIndex, const void* owner, const std::string& source, float sendVolume,
                                  bool fromResource)
{
    return StartDecode(slotIndex, owner, source, sendVolume, fromResource, SoundRule::From(m_rules));
}

bool CSoundConverter::StartDecode(int slotIndex, const void* owner, const std::string& source, float sendVolume,
                                  bool fromResource, const SoundRule& rule)
{
    m_limit = SelectLimit(slotIndex, rule.maxInterceptDurations, m_limit);
    m_source = source;
    return m_decoder.Start(source, sendVolume, fromResource, owner, m_limit);
}

bool CSoundConverter::Convert(const std::string& wavPath, const SoundRule& rule, WaveFormatEx& target)
{
    // Only read: a missing path is not created, the file is not cut.
    CWaveFile wave;
    WaveFormatEx source;
    if (!wave.OpenReadOnly(wavPath, &source)) {
        VY_LOG("decoded sound %s refused: %s", wavPath.c_str(), CWaveFile::ErrorText(wave.LastError()));
        return false;
    }
    // The decode stops on whole seconds; the limit becomes exact here.
    uint64_t limitBytes = static_cast<uint64_t>(std::max(m_limit, 0)) * source.avgBytesPerSec;
    auto sourceBytes = static_cast<uint32_t>(std::min<uint64_t>(wave.GetDataLength(), limitBytes));

    if (rule.channelNum < 1 || rule.channelNum > 2 || rule.soundSampleRate < 1 || rule.bitPerSample < 1 ||
        rule.bitPerSample > 32) {
        VY_LOG("unsupported device format: %d channels, %d Hz, %d bits", rule.channelNum, rule.soundSampleRate,
               rule.bitPerSample);
        return false;
    }
    target = source;
    target.channels = static_cast<uint16_t>(rule.channelNum);
    target.samplesPerSec = static_cast<uint32_t>(rule.soundSampleRate);
    target.bitsPerSample = static_cast<uint16_t>(rule.bitPerSample);
    target.blockAlign = static_cast<uint16_t>((target.bitsPerSample / 8) * target.channels);
    target.avgBytesPerSec = target.blockAlign * target.samplesPerSec;

    if (!m_stream.Open(sourceBytes, source, target))
        return false;
    std::memcpy(m_stream.SourceBuffer(), wave.Data(), sourceBytes);
    if (!m_stream.Convert()) {
        VY_LOG("conversion of %s failed", wavPath.c_str());
        m_stream.Close();
        return false;
    }
    return true;
}

bool CSoundConverter::ConvertToWaveImage(const std::string& wavPath)
{
    return ConvertToWaveImage(wavPath, SoundRule::From(m_rules));
}

bool CSoundConverter::ConvertToPcm(const std::string& wavPath)
{
    return ConvertToPcm(wavPath, SoundRule::From(m_rules));
}

bool CSoundConverter::ConvertForDevice(const std::string& wavPath)
{
    return ConvertForDevice(wavPath, SoundRule::From(m_rules));
}

bool CSoundConverter::ConvertToWaveImage(const std::string& wavPath, const SoundRule& rule)
{
    std::vector<uint8_t>().swap(m_output);
    WaveFormatEx target;
    if (!Convert(wavPath, rule, target))
        return false;
    uint32_t converted = m_stream.ConvertedLength();
    try {
        m_output.resize(static_cast<size_t>(converted) + kCanonicalWaveHeaderSize);
    } catch (const std::bad_alloc&) {
        m_stream.Close();
        return false;
    }
    WriteCanonicalWaveHeader(m_output.data(), target.channels, target.samplesPerSec, target.bitsPerSample, converted);
    std::memcpy(m_output.data() + kCanonicalWaveHeaderSize, m_stream.TargetBuffer(), converted);
    m_stream.Close();  // its buffers are as large as the sound: not kept between sends
    return true;
}

bool CSoundConverter::ConvertToPcm(const std::string& wavPath, const SoundRule& rule)
{
    std::vector<uint8_t>().swap(m_output);
    WaveFormatEx target;
    if (!Convert(wavPath, rule, target))
        return false;
    try {
        m_output.assign(m_stream.TargetBuffer(), m_stream.TargetBuffer() + m_stream.ConvertedLength());
    } catch (const std::bad_alloc&) {
        m_stream.Close();
        return false;
    }
    m_stream.Close();
    return true;
}

bool CSoundConverter::ConvertForDevice(const std::string& wavPath, const SoundRule& rule)
{
    if (rule.adpcm == 0)
        return ConvertToWaveImage(wavPath, rule);
    if (!ConvertToPcm(wavPath, rule))
        return false;
    m_adpcm.Reset();
    m_output.resize(m_adpcm.EncodeInPlace(m_output.data(), m_output.size()));
    return true;
}

}  // namespace vy
