#include "EngineTestSupport.h"

#include "audio/Mp3Encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace vy::test {

std::vector<int16_t> Tone(double frequency, double seconds, uint32_t sampleRate, uint32_t channels, double amplitude)
{
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    std::vector<int16_t> samples(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        double value = amplitude * 32767.0 * std::sin(2.0 * M_PI * frequency * double(i) / sampleRate);
        for (uint32_t c = 0; c < channels; ++c)
            samples[i * channels + c] = static_cast<int16_t>(std::lround(value));
    }
    return samples;
}

std::string WavBytes(const std::vector<int16_t>& samples, uint32_t sampleRate, uint32_t channels)
{
    auto put32 = [](std::string& out, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
    };
    auto put16 = [](std::string& out, uint16_t v) {
        out.push_back(static_cast<char>(v & 0xFF));
        out.push_back(static_cast<char>(v >> 8));
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<uint16_t>(channels));
    put32(out, sampleRate);
    put32(out, sampleRate * channels * 2);
    put16(out, static_cast<uint16_t>(channels * 2));
    put16(out, 16);
    out += "data";
    put32(out, dataBytes);
    const size_t header = out.size();
    out.resize(header + dataBytes);
    for (size_t i = 0; i < samples.size(); ++i) {
        out[header + 2 * i] = static_cast<char>(samples[i] & 0xFF);
        out[header + 2 * i + 1] = static_cast<char>((samples[i] >> 8) & 0xFF);
    }
    return out;
}

std::string WriteMp3(const std::string& path, const std::vector<int16_t>& samples, uint32_t sampleRate,
                     uint32_t channels, uint32_t kbps)
{
    CMp3Encoder encoder;
    std::string error;
    if (!encoder.Open(path, sampleRate, channels, kbps, error) ||
        !encoder.Encode(samples.data(), samples.size() / channels, error) || !encoder.Close(error))
        throw std::runtime_error("cannot make " + path + ": " + error);
    return path;
}

std::vector<int16_t> DecodeAll(IPcmSource& source)
{
    std::vector<int16_t> all;
    std::vector<int16_t> block(4096 * source.Channels());
    for (;;) {
        size_t got = source.Read(block.data(), 4096);
        if (got == 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(got * source.Channels()));
    }
    return all;
}

double TonePower(const std::vector<int16_t>& samples, uint32_t channels, uint32_t channel, uint32_t sampleRate,
                 double frequency, size_t first, size_t count)
{
    const size_t frames = samples.size() / channels;
    if (first >= frames)
        return 0;
    count = std::min(count, frames - first);
    if (count == 0)
        return 0;
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / sampleRate);
    double s1 = 0, s2 = 0;
    for (size_t i = first; i < first + count; ++i) {
        double s0 = samples[i * channels + channel] / 32768.0 + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * power / (double(count) * double(count));
}

int Peak(const std::vector<int16_t>& samples, size_t first, size_t count)
{
    int peak = 0;
    count = std::min(count, samples.size() > first ? samples.size() - first : 0);
    for (size_t i = first; i < first + count; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

}  // namespace vy::test
