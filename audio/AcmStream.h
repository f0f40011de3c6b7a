#pragma once

#include "audio/WaveFile.h"

#include <cstdint>
#include <vector>

namespace vy {

// PCM format conversion in one call over the whole source: the rate through
// libsoxr (high quality, no dither, so the same input always gives the same
// bytes), channel count (1 or 2) and sample size (8, 16 or 32 bits) here.
// Open sizes both buffers; the caller fills the source buffer, then Convert.
class CAcmStream {
public:
    static constexpr uint32_t kMaxSampleRate = 768000;

    CAcmStream() = default;
    ~CAcmStream() { Close(); }
    CAcmStream(const CAcmStream&) = delete;
    CAcmStream& operator=(const CAcmStream&) = delete;

    // Prepares a conversion of `sourceBytes` bytes from `source` to `target`.
    // Closes an earlier stream first. False when a format is not a PCM format
    // this stream converts or the target would not fit in 32 bits.
    bool Open(uint32_t sourceBytes, const WaveFormatEx& source, const WaveFormatEx& target);
    // Converts the whole source buffer (whole blocks only) in one call; the
    // result is in TargetBuffer(), ConvertedLength() bytes long.
    bool Convert();
    void Close();

    bool IsOpen() const { return m_open; }
    uint8_t* SourceBuffer() { return m_source.data(); }
    uint32_t SourceLength() const { return static_cast<uint32_t>(m_source.size()); }
    const uint8_t* TargetBuffer() const { return m_target.data(); }
    uint32_t TargetCapacity() const { return static_cast<uint32_t>(m_target.size()); }
    uint32_t ConvertedLength() const { return m_converted; }

    // Whether a format record describes PCM this stream handles.
    static bool IsConvertible(const WaveFormatEx& format);
    // Bytes of target buffer needed for `sourceBytes` of source: room for
    // every output frame the resampler can produce.
    static uint64_t TargetSize(uint32_t sourceBytes, const WaveFormatEx& source, const WaveFormatEx& target);

private:
    bool m_open = false;
    WaveFormatEx m_sourceFormat;
    WaveFormatEx m_targetFormat;
    std::vector<uint8_t> m_source;
    std::vector<uint8_t> m_target;
    uint32_t m_converted = 0;
};

}  // namespace vy
