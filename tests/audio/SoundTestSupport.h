#pragma once

#include "audio/LibmadDecoder.h"
#include "audio/WaveFile.h"

#include <cstdint>
#include <string>
#include <vector>

// Helpers shared by the WAV, decoder and converter tests.
namespace vy::test::sound {

// A file of tests/data/audio (made by scripts/make-test-audio).
std::string Fixture(const std::string& name);
// The 60-second stereo 44100 Hz MP3, made once per test program with
// scripts/make-test-audio --long; empty (and a test failure) when it cannot be.
std::string LongMp3();

// Builds RIFF/WAVE files chunk by chunk, for fixtures the writer never makes.
class CWavBuilder {
public:
    // A 16-byte PCM-style fmt payload.
    static std::string FmtPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
    CWavBuilder& Chunk(const std::string& id, const std::string& payload, bool pad = true);
    // Bytes of a chunk header with a declared size that need not match.
    CWavBuilder& Raw(const std::string& bytes);
    // The whole file; riffSize < 0 means the true size.
    std::string Build(int64_t riffSize = -1) const;

private:
    std::string m_body;
};

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
uint32_t ReadLe32(const std::string& bytes, size_t offset);
uint16_t ReadLe16(const std::string& bytes, size_t offset);

// A canonical 16-bit PCM WAV file holding `samples` (interleaved).
std::string CanonicalWav(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples);
// `frames` frames of a sine per channel (frequencies per channel), amplitude 0..1.
std::vector<int16_t> Sine(uint32_t rate, size_t frames, const std::vector<double>& frequencies, double amplitude);
std::vector<int16_t> Samples16(const uint8_t* data, size_t bytes);
// Amplitude (0..1 of full scale) of `frequency` in one channel of
// interleaved samples, by correlation over whole samples.
double ToneLevel(const std::vector<int16_t>& samples, unsigned channels, unsigned channel, uint32_t rate,
                 double frequency);

// Sets TMPDIR for the lifetime of the object (the decoder's temporary files
// go there), and restores the previous value.
class CScopedTmpDir {
public:
    explicit CScopedTmpDir(const std::string& path);
    ~CScopedTmpDir();
    CScopedTmpDir(const CScopedTmpDir&) = delete;
    CScopedTmpDir& operator=(const CScopedTmpDir&) = delete;

private:
    bool m_had = false;
    std::string m_previous;
};

// Names of the files in a folder.
std::vector<std::string> ListFiles(const std::string& dir);

}  // namespace vy::test::sound
