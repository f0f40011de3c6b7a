#include "audio/ImaAdpcm.h"
#include "tests/audio/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using vy::CImaAdpcmEncoder;
using namespace vy::test::sound;

namespace {

// A decoder written apart from the encoder, reconstructing each step as
// (code * step) / 4 + step / 8: the encoded nibbles alone must carry the signal.
std::vector<int16_t> Decode(const std::vector<uint8_t>& bytes)
{
    static const int steps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
        31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
        130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
        544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
        9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int adjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    int predicted = 0, index = 0;
    std::vector<int16_t> out;
    auto nibble = [&](int n) {
        int step = steps[index];
        int delta = ((n & 7) * step) / 4 + step / 8;
        predicted += (n & 8) ? -delta : delta;
        predicted = std::clamp(predicted, -32768, 32767);
        index = std::clamp(index + adjust[n & 7], 0, 88);
        out.push_back(static_cast<int16_t>(predicted));
    };
    for (uint8_t b : bytes) {
        nibble(b & 0x0F);
        nibble(b >> 4);
    }
    return out;
}

std::vector<uint8_t> Pcm(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return bytes;
}

}  // namespace

TEST(ImaAdpcm, SingleStepsFromTheResetState)
{
    struct Case {
        int16_t sample;
        uint8_t nibble;
        int32_t predicted;
        int index;
    };
    const Case cases[] = {
        {1000, 0x7, 12, 8},     // step 7: code min(7, 4000 / 7), delta 12 + 0
        {-1000, 0xF, -12, 8},   // the same, negative
        {0, 0x0, 0, 0},         // delta 0 + 7 / 8 = 0; the index stays clamped at 0
        {3, 0x1, 1, 0},         // code 12 / 7 = 1, delta 7 / 4 = 1
        {-6, 0xB, -5, 0},       // code 24 / 7 = 3, delta 21 / 4 = 5
        {32767, 0x7, 12, 8},
        {-32768, 0xF, -12, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        CImaAdpcmEncoder encoder;
        encoder.Reset();
        EXPECT_EQ(encoder.EncodeSample(c.sample), c.nibble);
        EXPECT_EQ(encoder.Predicted(), c.predicted);
        EXPECT_EQ(encoder.Index(), c.index);
    }
}

TEST(ImaAdpcm, PairsPackLowNibbleFirstAndAnOddLastSampleIsDropped)
{
    std::vector<int16_t> samples(1001, 0);
    samples[0] = 1000;   // code 7, low nibble of byte 0
    samples[1] = -1000;  // a negative step: high nibble has the sign bit
    std::vector<uint8_t> pcm = Pcm(samples);
    ASSERT_EQ(pcm.size(), 2002u);
    CImaAdpcmEncoder encoder;
    size_t length = encoder.EncodeInPlace(pcm.data(), pcm.size());
    EXPECT_EQ(length, 500u);
    EXPECT_EQ(pcm[0] & 0x0F, 0x7);
    EXPECT_EQ(pcm[0] >> 4, 0x8 | 0x7);
}

TEST(ImaAdpcm, PiecesGiveTheSameBytesAsOnePass)
{
    std::vector<uint8_t> pcm = Pcm(Sine(44100, 25000, {1000.0}, 0.8));
    std::vector<uint8_t> whole(pcm.size() / 4), pieces(pcm.size() / 4);
    CImaAdpcmEncoder one;
    one.Encode(pcm.data(), whole.data(), pcm.size() / 2);
    CImaAdpcmEncoder blocks;
    const size_t block = 10000;  // samples, an even count
    for (size_t first = 0; first < pcm.size() / 2; first += block) {
        size_t count = std::min(block, pcm.size() / 2 - first);
        blocks.Encode(pcm.data() + 2 * first, pieces.data() + first / 2, count);
    }
    EXPECT_EQ(whole, pieces);
}

TEST(ImaAdpcm, DecodedStreamFollowsTheSignal)
{
    struct Case {
        const char* name;
        std::vector<int16_t> samples;
        double minSnrDb;
    };
    std::vector<int16_t> square(8820);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 50) % 2 ? -32768 : 32767;
    const Case cases[] = {
        {"1 kHz sine", Sine(44100, 8820, {1000.0}, 0.7), 25.0},
        {"quiet 200 Hz sine", Sine(44100, 8820, {200.0}, 0.01), 15.0},
        {"full-scale square", square, 5.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = Pcm(c.samples);
        CImaAdpcmEncoder encoder;
        bytes.resize(encoder.EncodeInPlace(bytes.data(), bytes.size()));
        std::vector<int16_t> decoded = Decode(bytes);
        ASSERT_EQ(decoded.size(), c.samples.size());
        // Skip the attack while the step size grows from its smallest value.
        double signal = 0, noise = 0;
        for (size_t i = 400; i < decoded.size(); ++i) {
            signal += static_cast<double>(c.samples[i]) * c.samples[i];
            double e = static_cast<double>(c.samples[i]) - decoded[i];
            noise += e * e;
        }
        double snr = 10 * std::log10(signal / std::max(noise, 1.0));
        EXPECT_GT(snr, c.minSnrDb);
    }
}
