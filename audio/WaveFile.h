#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vy {

// The audio format record passed between the WAV reader, the decoder and the
// converter, in the field order of the stored "fmt " chunk plus the extra-size word.
struct WaveFormatEx {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t cbSize = 0;
};

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint32_t kCanonicalWaveHeaderSize = 44;

// Average bytes per second and block align as the canonical header states
// them: (rate * bits * channels) >> 3 in unsigned 32-bit arithmetic, and
// channels * (bits / 8) with the division first.
uint32_t CanonicalAvgBytesPerSec(uint16_t channels, uint32_t rate, uint16_t bits);
uint16_t CanonicalBlockAlign(uint16_t channels, uint16_t bits);

// Writes the 44-byte canonical PCM header ("RIFF", size, "WAVE", a 16-byte
// "fmt " chunk, "data", size) for `dataBytes` sample bytes at `out`.
void WriteCanonicalWaveHeader(uint8_t* out, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes);

// Mapped, in-place access to a PCM WAV file. Open maps the whole file; a new
// empty file is mapped at 10 MiB and gets a fresh header. Close rewrites the
// size fields when needed and cuts the file to header + sample data.
class CWaveFile {
public:
    // Why the last Open failed, for messages; None after a success.
    enum class Error {
        None,
        NoPath,
        CannotOpen,
        TooLarge,
        CannotMap,
        EmptyWithoutFormat,
        NoRiff,
        NotWave,
        NoFmt,
        NoData,
        FmtTooShort,
        UnsupportedTag,
        UnsupportedChannels,
        UnsupportedBits,
    };

    static constexpr uint32_t kNewFileMapSize = 10 * 1024 * 1024;

    CWaveFile();
    virtual ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Opens `path` for reading and writing, creating it when missing. An
    // existing file must hold an accepted PCM format (1 or 2 channels of 8,
    // 16 or 32 bits); an empty one needs `format` and gets a new header from
    // it. On success the parsed format is copied into `format` when given.
    // Already open: returns true and keeps the first file.
    bool Open(const std::string& path, WaveFormatEx* format);
    // Inspects an existing file without creating, changing or cutting it.
    bool OpenReadOnly(const std::string& path, WaveFormatEx* format);
    void Close();
    // Rewrites the RIFF and data sizes of a freshly written header.
    void FlushHeader();
    // Copies up to `capacity` sample bytes from the first sample byte.
    uint32_t Read(void* destination, uint32_t capacity);
    // Appends sample bytes behind the current data, within the mapping;
    // returns how many fitted. Not available on a read-only file.
    uint32_t Write(const void* source, uint32_t bytes);

    uint32_t GetDataLength() const { return m_dataLength; }
    uint32_t GetHeaderLength() const { return m_headerLength; }
    uint32_t GetMappedSize() const { return m_mappedSize; }
    const uint8_t* Data() const { return m_data; }
    const WaveFormatEx& Format() const { return m_format; }
    bool IsOpen() const { return m_view != nullptr; }

    Error LastError() const { return m_lastError; }
    static const char* ErrorText(Error error);
    // The last error with the offending value where there is one.
    std::string LastErrorText() const;

private:
    bool OpenMapped(const std::string& path, WaveFormatEx* format, bool readOnly);
    bool Fail(Error error, uint32_t value = 0);
    bool ParseHeader(uint32_t fileSize, WaveFormatEx* format);
    void WriteHeader();
    // Finds a chunk by id in [start, start + length): its payload offset and size.
    bool FindChunk(const char id[4], uint64_t start, uint64_t length, uint64_t& payload, uint32_t& size) const;

    int m_fd = -1;
    uint8_t* m_view = nullptr;
    uint8_t* m_data = nullptr;
    bool m_headerDirty = false;
    WaveFormatEx m_format;
    uint32_t m_mappedSize = 0;
    int m_open = 0;
    uint32_t m_dataLength = 0;
    uint32_t m_headerLength = 0;
    uint32_t m_riffOffset = 0;
    bool m_readOnly = false;
    Error m_lastError = Error::None;
    uint32_t m_lastErrorValue = 0;
};

}  // namespace vy
