#pragma once

#include "audio/PcmSource.h"

#include <vector>

namespace vy {

// A RIFF/WAVE sound: integer PCM of 8, 16, 24 or 32 bits and 32- or 64-bit
// float, plain or extensible, any channel count (the first two are played).
class CWavStream : public IPcmSource {
public:
    // Null with `error` set when the bytes are not a WAV sound this reads.
    static std::unique_ptr<CWavStream> Open(std::unique_ptr<IByteSource> bytes, std::string& error);

    uint32_t SampleRate() const override { return m_sampleRate; }
    uint32_t Channels() const override { return m_outChannels; }
    uint64_t TotalFrames() const override { return m_totalFrames; }
    uint32_t BitrateKbps() const override;
    int FormatCode() const override;
    size_t Read(int16_t* out, size_t frames) override;
    void Seek(uint64_t frame) override;

private:
    enum class Encoding { Integer, Float };

    explicit CWavStream(std::unique_ptr<IByteSource> bytes) : m_bytes(std::move(bytes)) {}
    bool Parse(std::string& error);
    int16_t Sample(const unsigned char* p) const;

    std::unique_ptr<IByteSource> m_bytes;
    Encoding m_encoding = Encoding::Integer;
    uint32_t m_sampleRate = 0;
    uint32_t m_fileChannels = 0;
    uint32_t m_outChannels = 0;
    uint32_t m_bytesPerSample = 0;
    uint32_t m_blockAlign = 0;
    uint64_t m_dataOffset = 0;
    uint64_t m_totalFrames = 0;
    uint64_t m_frame = 0;
    std::vector<unsigned char> m_raw;
};

}  // namespace vy
