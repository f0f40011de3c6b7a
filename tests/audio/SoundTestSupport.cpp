#include "tests/audio/SoundTestSupport.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

namespace vy::test::sound {

std::string Fixture(const std::string& name)
{
    return SourceDir() + "/tests/data/audio/" + name;
}

namespace {

// The temporary folder as it was when the program started: tests move
// TMPDIR around, the generated long sound must outlive them.
const std::string kStartTmp = [] {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp");
}();

struct GeneratedFolder {
    std::string path;
    ~GeneratedFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

std::string LongMp3()
{
    static GeneratedFolder folder;
    static std::string made;
    if (!made.empty())
        return made;
    std::string pattern = kStartTmp + "/vytest-long-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp failed";
        return {};
    }
    folder.path = pattern;
    std::string command = SourceDir() + "/scripts/make-test-audio --long '" + folder.path + "'";
    int rc = std::system(command.c_str());
    std::string path = folder.path + "/long-stereo-44100-60s.mp3";
    if (rc != 0 || !std::filesystem::exists(path)) {
        ADD_FAILURE() << "cannot make the 60-second MP3 with: " << command;
        return {};
    }
    made = path;
    return made;
}

std::string Le16(uint16_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Le32(uint32_t v)
{
    return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16));
}

uint32_t ReadLe32(const std::string& bytes, size_t offset)
{
    return ReadLe16(bytes, offset) | static_cast<uint32_t>(ReadLe16(bytes, offset + 2)) << 16;
}

uint16_t ReadLe16(const std::string& bytes, size_t offset)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) | static_cast<uint8_t>(bytes.at(offset + 1))
                                                                                 << 8);
}

std::string CWavBuilder::FmtPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

CWavBuilder& CWavBuilder::Chunk(const std::string& id, const std::string& payload, bool pad)
{
    m_body += id + Le32(static_cast<uint32_t>(payload.size())) + payload;
    if (pad && payload.size() % 2)
        m_body += '\0';
    return *this;
}

CWavBuilder& CWavBuilder::Raw(const std::string& bytes)
{
    m_body += bytes;
    return *this;
}

std::string CWavBuilder::Build(int64_t riffSize) const
{
    uint32_t size = riffSize < 0 ? static_cast<uint32_t>(4 + m_body.size()) : static_cast<uint32_t>(riffSize);
    return "RIFF" + Le32(size) + "WAVE" + m_body;
}

std::string CanonicalWav(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples)
{
    std::string data;
    for (int16_t s : samples)
        data += Le16(static_cast<uint16_t>(s));
    std::string header(kCanonicalWaveHeaderSize, '\0');
    WriteCanonicalWaveHeader(reinterpret_cast<uint8_t*>(header.data()), channels, rate, 16,
                             static_cast<uint32_t>(data.size()));
    return header + data;
}

std::vector<int16_t> Sine(uint32_t rate, size_t frames, const std::vector<double>& frequencies, double amplitude)
{
    std::vector<int16_t> out;
    out.reserve(frames * frequencies.size());
    for (size_t i = 0; i < frames; ++i)
        for (double f : frequencies)
            out.push_back(static_cast<int16_t>(
                std::lround(amplitude * 32767.0 * std::sin(2 * std::numbers::pi * f * static_cast<double>(i) / rate))));
    return out;
}

std::vector<int16_t> Samples16(const uint8_t* data, size_t bytes)
{
    std::vector<int16_t> out(bytes / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(data[2 * i] | data[2 * i + 1] << 8);
    return out;
}

double ToneLevel(const std::vector<int16_t>& samples, unsigned channels, unsigned channel, uint32_t rate,
                 double frequency)
{
    double re = 0, im = 0;
    size_t n = samples.size() / channels;
    for (size_t i = 0; i < n; ++i) {
        double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / rate;
        double v = samples[i * channels + channel] / 32768.0;
        re += v * std::cos(phase);
        im += v * std::sin(phase);
    }
    return n ? 2 * std::sqrt(re * re + im * im) / static_cast<double>(n) : 0;
}

CScopedTmpDir::CScopedTmpDir(const std::string& path)
{
    if (const char* old = std::getenv("TMPDIR")) {
        m_had = true;
        m_previous = old;
    }
    ::setenv("TMPDIR", path.c_str(), 1);
}

CScopedTmpDir::~CScopedTmpDir()
{
    if (m_had)
        ::setenv("TMPDIR", m_previous.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

std::vector<std::string> ListFiles(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace vy::test::sound
