#include "audio/ImaAdpcm.h"

namespace vy {

const int16_t CImaAdpcmEncoder::kStepTable[kStepCount] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767,
};

const int8_t CImaAdpcmEncoder::kIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

uint8_t CImaAdpcmEncoder::EncodeSample(int16_t sample)
{
    int32_t diff = sample - m_predicted;
    uint8_t sign = 0;
    if (diff < 0) {
        sign = 8;
        diff = -diff;
    }
    int32_t step = kStepTable[m_index];
    int32_t code = (4 * diff) / step;
    if (code > 7)
        code = 7;
    int32_t delta = (code * step) / 4 + step / 8;
    m_predicted += sign ? -delta : delta;
    if (m_predicted > 32767)
        m_predicted = 32767;
    else if (m_predicted < -32768)
        m_predicted = -32768;
    int index = m_index + kIndexTable[code];
    if (index < 0)
        index = 0;
    else if (index > kStepCount - 1)
        index = kStepCount - 1;
    m_index = static_cast<int8_t>(index);
    return static_cast<uint8_t>(sign | code);
}

void CImaAdpcmEncoder::Encode(const uint8_t* pcm, uint8_t* out, size_t sampleCount)
{
    size_t pairs = sampleCount / 2;
    for (size_t i = 0; i < pairs; ++i) {
        const uint8_t* p = pcm + 4 * i;
        auto first = static_cast<int16_t>(p[0] | p[1] << 8);
        auto second = static_cast<int16_t>(p[2] | p[3] << 8);
        uint8_t low = EncodeSample(first);
        uint8_t high = EncodeSample(second);
        out[i] = static_cast<uint8_t>(low | high << 4);
    }
}

size_t CImaAdpcmEncoder::EncodeInPlace(uint8_t* pcm, size_t bytes)
{
    Encode(pcm, pcm, bytes / 2);
    return bytes / 4;
}

}  // namespace vy
