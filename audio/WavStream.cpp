#include "audio/WavStream.h"

#include "audio/AudioEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vy {
namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr size_t kReadFrames = 4096;

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

int16_t FromFloat(double value)
{
    if (std::isnan(value))
        return 0;
    double scaled = std::round(value * 32768.0);
    return static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

}  // namespace

std::unique_ptr<CWavStream> CWavStream::Open(std::unique_ptr<IByteSource> bytes, std::string& error)
{
    std::unique_ptr<CWavStream> stream(new CWavStream(std::move(bytes)));
    if (!stream->Parse(error))
        return nullptr;
    return stream;
}

bool CWavStream::Parse(std::string& error)
{
    unsigned char header[12];
    if (m_bytes->ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        error = "not a WAV file (no RIFF/WAVE header)";
        return false;
    }
    const uint64_t fileSize = m_bytes->Size();
    uint64_t offset = 12;
    bool haveFormat = false;
    uint16_t tag = 0;
    uint32_t bits = 0;
    while (offset + 8 <= fileSize) {
        unsigned char chunk[8];
        if (m_bytes->ReadAt(offset, chunk, 8) != 8)
            break;
        const uint64_t size = U32(chunk + 4);
        const uint64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char format[40] = {};
            if (size < 16 || m_bytes->ReadAt(body, format, std::min<uint64_t>(size, sizeof format)) < 16) {
                error = "WAV format chunk is too short";
                return false;
            }
            tag = U16(format);
            m_fileChannels = U16(format + 2);
            m_sampleRate = U32(format + 4);
            m_blockAlign = U16(format + 12);
            bits = U16(format + 14);
            if (tag == kTagExtensible) {
                if (size < 40) {
                    error = "WAV extensible format chunk is too short";
                    return false;
                }
                tag = U16(format + 24);  // the sub-format GUID starts with the plain tag
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                error = "WAV data comes before its format";
                return false;
            }
            m_dataOffset = body;
            // Files cut off while being written claim more than they hold.
            uint64_t available = fileSize - body;
            uint64_t dataSize = size == 0xFFFFFFFFu ? available : std::min(size, available);
            if (tag != kTagPcm && tag != kTagFloat) {
                error = "WAV encoding " + std::to_string(tag) + " is not PCM";
                return false;
            }
            if (tag == kTagPcm && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
                error = "WAV PCM of " + std::to_string(bits) + " bits is not supported";
                return false;
            }
            if (tag == kTagFloat && bits != 32 && bits != 64) {
                error = "WAV float of " + std::to_string(bits) + " bits is not supported";
                return false;
            }
            if (m_fileChannels == 0 || m_sampleRate == 0 || m_sampleRate > 768000) {
                error = "WAV format has " + std::to_string(m_fileChannels) + " channels at " +
                        std::to_string(m_sampleRate) + " Hz";
                return false;
            }
            m_encoding = tag == kTagFloat ? Encoding::Float : Encoding::Integer;
            m_bytesPerSample = bits / 8;
            m_blockAlign = std::max(m_blockAlign, m_bytesPerSample * m_fileChannels);
            m_outChannels = std::min<uint32_t>(m_fileChannels, 2);
            m_totalFrames = dataSize / m_blockAlign;
            return true;
        }
        offset = body + size + (size & 1);  // chunks are padded to even sizes
    }
    error = haveFormat ? "WAV file has no data chunk" : "WAV file has no format chunk";
    return false;
}

uint32_t CWavStream::BitrateKbps() const
{
    return static_cast<uint32_t>(uint64_t(m_sampleRate) * m_blockAlign * 8 / 1000);
}

int CWavStream::FormatCode() const
{
    return kAudioFormatWave;
}

int16_t CWavStream::Sample(const unsigned char* p) const
{
    if (m_encoding == Encoding::Float) {
        if (m_bytesPerSample == 4) {
            float value;
            std::memcpy(&value, p, 4);
            return FromFloat(value);
        }
        double value;
        std::memcpy(&value, p, 8);
        return FromFloat(value);
    }
    switch (m_bytesPerSample) {
    case 1:
        return static_cast<int16_t>((p[0] - 128) << 8);
    case 2:
        return static_cast<int16_t>(U16(p));
    case 3:
    case 4:
        // The top 16 bits; the lower bits are below what is played.
        return static_cast<int16_t>(U16(p + m_bytesPerSample - 2));
    default:
        return 0;
    }
}

size_t CWavStream::Read(int16_t* out, size_t frames)
{
    size_t done = 0;
    while (done < frames && m_frame < m_totalFrames) {
        size_t count = static_cast<size_t>(std::min<uint64_t>({frames - done, kReadFrames, m_totalFrames - m_frame}));
        m_raw.resize(count * m_blockAlign);
        size_t got = m_bytes->ReadAt(m_dataOffset + m_frame * m_blockAlign, m_raw.data(), m_raw.size());
        count = got / m_blockAlign;
        if (count == 0) {
            m_totalFrames = m_frame;  // the file shrank
            break;
        }
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* frame = m_raw.data() + i * m_blockAlign;
            for (uint32_t c = 0; c < m_outChannels; ++c)
                out[(done + i) * m_outChannels + c] = Sample(frame + c * m_bytesPerSample);
        }
        done += count;
        m_frame += count;
    }
    return done;
}

void CWavStream::Seek(uint64_t frame)
{
    m_frame = std::min(frame, m_totalFrames);
}

}  // namespace vy
