#pragma once

#include "audio/PcmSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vy::test {

// Interleaved 16-bit samples of a sine tone.
std::vector<int16_t> Tone(double frequency, double seconds, uint32_t sampleRate, uint32_t channels,
                          double amplitude = 0.5);
// A canonical 16-bit PCM WAV image.
std::string WavBytes(const std::vector<int16_t>& samples, uint32_t sampleRate, uint32_t channels);
// An MP3 file made with the project's encoder.
std::string WriteMp3(const std::string& path, const std::vector<int16_t>& samples, uint32_t sampleRate,
                     uint32_t channels, uint32_t kbps = 128);
// Every sample of a source, from where it stands.
std::vector<int16_t> DecodeAll(IPcmSource& source);
// Power of one frequency in one channel (Goertzel), normalised so that a
// full-scale sine gives about 0.5.
double TonePower(const std::vector<int16_t>& samples, uint32_t channels, uint32_t channel, uint32_t sampleRate,
                 double frequency, size_t first = 0, size_t count = SIZE_MAX);
// The largest absolute sample value.
int Peak(const std::vector<int16_t>& samples, size_t first = 0, size_t count = SIZE_MAX);

}  // namespace vy::test
