#pragma once

#include <cstddef>
#include <cstdint>

namespace vy {

// IMA ADPCM encoder for the card's compressed sound slots: two 16-bit samples
// per output byte, the first in the low nibble. The state carries over
// between calls, so encoding in pieces gives the same bytes as one pass.
class CImaAdpcmEncoder {
public:
    static constexpr int kStepCount = 89;
    static const int16_t kStepTable[kStepCount];
    static const int8_t kIndexTable[8];

    // Predicted sample 0, step index 0.
    void Reset()
    {
        m_predicted = 0;
        m_index = 0;
    }
    // Encodes one sample and returns its nibble (sign bit 8 | code 0..7).
    uint8_t EncodeSample(int16_t sample);
    // Encodes `sampleCount` little-endian 16-bit samples from `pcm` into
    // sampleCount / 2 bytes at `out`; an odd last sample is dropped. `out`
    // may be `pcm` itself: each byte is written after its two samples are read.
    void Encode(const uint8_t* pcm, uint8_t* out, size_t sampleCount);
    // Encodes a PCM buffer over its own start and returns the encoded length,
    // bytes / 4 (two bytes per sample, two samples per byte).
    size_t EncodeInPlace(uint8_t* pcm, size_t bytes);

    int32_t Predicted() const { return m_predicted; }
    int8_t Index() const { return m_index; }

private:
    int32_t m_predicted = 0;
    int8_t m_index = 0;
};

}  // namespace vy
