#include "audio/WaveFile.h"

#include "base/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vy {
namespace {

uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
        static_cast<uint32_t>(p[3]) << 24;
}

void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t kSizeOffset = 4;
constexpr uint32_t kDataSizeOffset = 40;

}  // namespace

uint32_t CanonicalAvgBytesPerSec(uint16_t channels, uint32_t rate, uint16_t bits)
{
    return (rate * bits * channels) >> 3;
}

uint16_t CanonicalBlockAlign(uint16_t channels, uint16_t bits)
{
    return static_cast<uint16_t>(channels * (bits / 8));
}

void WriteCanonicalWaveHeader(uint8_t* out, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes)
{
    std::memcpy(out, "RIFF", 4);
    PutU32(out + 4, dataBytes + 36);
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    PutU32(out + 16, 16);
    PutU16(out + 20, kWaveFormatPcm);
    PutU16(out + 22, channels);
    PutU32(out + 24, rate);
    PutU32(out + 28, CanonicalAvgBytesPerSec(channels, rate, bits));
    PutU16(out + 32, CanonicalBlockAlign(channels, bits));
    PutU16(out + 34, bits);
    std::memcpy(out + 36, "data", 4);
    PutU32(out + 40, dataBytes);
}

CWaveFile::CWaveFile() = default;

CWaveFile::~CWaveFile()
{
    Close();
}

const char* CWaveFile::ErrorText(Error error)
{
    switch (error) {
    case Error::None:
        return "no error";
    case Error::NoPath:
        return "no path given";
    case Error::CannotOpen:
        return "the file cannot be opened";
    case Error::TooLarge:
        return "the file is larger than 4 GiB";
    case Error::CannotMap:
        return "the file cannot be mapped";
    case Error::EmptyWithoutFormat:
        return "the file is empty";
    case Error::NoRiff:
        return "no complete RIFF chunk";
    case Error::NotWave:
        return "the RIFF form is not WAVE";
    case Error::NoFmt:
        return "no complete \"fmt \" chunk";
    case Error::NoData:
        return "no complete \"data\" chunk";
    case Error::FmtTooShort:
        return "the \"fmt \" chunk is shorter than 16 bytes";
    case Error::UnsupportedTag:
        return "not PCM (only format tag 1 is accepted)";
    case Error::UnsupportedChannels:
        return "unsupported channel count (only 1 or 2)";
    case Error::UnsupportedBits:
        return "unsupported sample size (only 8, 16 or 32 bits)";
    }
    return "unknown error";
}

bool CWaveFile::Open(const std::string& path, WaveFormatEx* format)
{
    return OpenMapped(path, format, false);
}

bool CWaveFile::OpenReadOnly(const std::string& path, WaveFormatEx* format)
{
    return OpenMapped(path, format, true);
}

bool CWaveFile::Fail(Error error, uint32_t value)
{
    Close();
    m_lastError = error;
    m_lastErrorValue = value;
    return false;
}

std::string CWaveFile::LastErrorText() const
{
    std::string text = ErrorText(m_lastError);
    switch (m_lastError) {
    case Error::CannotOpen:
        return m_lastErrorValue ? text + ": " + std::strerror(static_cast<int>(m_lastErrorValue)) : text;
    case Error::UnsupportedTag:
        return text + ", the file has tag " + std::to_string(m_lastErrorValue);
    case Error::UnsupportedChannels:
        return text + ", the file has " + std::to_string(m_lastErrorValue);
    case Error::UnsupportedBits:
        return text + ", the file has " + std::to_string(m_lastErrorValue) + " bits";
    default:
        return text;
    }
}

bool CWaveFile::OpenMapped(const std::string& path, WaveFormatEx* format, bool readOnly)
{
    if (m_view)
        return true;
    m_lastError = Error::None;
    m_lastErrorValue = 0;
    if (path.empty()) {
        m_lastError = Error::NoPath;
        return false;
    }

    int flags = readOnly ? O_RDONLY : O_RDWR | O_CREAT;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        int error = errno;
        VY_LOG("cannot open %s: %s", path.c_str(), std::strerror(error));
        m_lastError = Error::CannotOpen;
        m_lastErrorValue = static_cast<uint32_t>(error);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        m_lastError = Error::CannotOpen;
        m_lastErrorValue = S_ISDIR(info.st_mode) ? EISDIR : 0;
        return false;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Sizes in the header are 32-bit: a larger file cannot be described.
    if (static_cast<uint64_t>(info.st_size) > UINT32_MAX) {
        ::close(fd);
        m_lastError = Error::TooLarge;
        return false;
    }
    uint32_t fileSize = static_cast<uint32_t>(info.st_size);
    if (fileSize == 0 && (readOnly || !format)) {
        // Leaves the (possibly just created) file empty, as Close would.
        ::close(fd);
        m_lastError = Error::EmptyWithoutFormat;
        return false;
    }

    uint32_t mapSize = fileSize ? fileSize : kNewFileMapSize;
    // A mapping cannot reach past the end of the file: grow the new file to
    // the mapped size; Close cuts it back to header + data.
    if (fileSize == 0 && ::ftruncate(fd, mapSize) != 0) {
        VY_LOG("cannot size %s: %s", path.c_str(), std::strerror(errno));
        ::ftruncate(fd, 0);
        ::close(fd);
        m_lastError = Error::CannotMap;
        return false;
    }
    int protection = readOnly ? PROT_READ : PROT_READ | PROT_WRITE;
    void* view = ::mmap(nullptr, mapSize, protection, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        VY_LOG("cannot map %s: %s", path.c_str(), std::strerror(errno));
        if (fileSize == 0)
            ::ftruncate(fd, 0);
        ::close(fd);
        m_lastError = Error::CannotMap;
        return false;
    }
    m_fd = fd;
    m_view = static_cast<uint8_t*>(view);
    m_mappedSize = mapSize;
    m_readOnly = readOnly;

    if (fileSize != 0)
        return ParseHeader(fileSize, format);

    m_format = *format;
    WriteHeader();
    return true;
}

bool CWaveFile::FindChunk(const char id[4], uint64_t start, uint64_t length, uint64_t& payload, uint32_t& size) const
{
    if (length < 8)
        return false;
    uint64_t end = start + length;
    uint64_t p = start;
    while (p <= end) {
        if (p + 8 > end)
            return false;
        uint32_t chunkSize = GetU32(m_view + p + 4);
        if (static_cast<uint64_t>(chunkSize) + 8 > length)
            return false;
        if (std::memcmp(m_view + p, id, 4) == 0) {
            if (p + 8 + chunkSize > end)
                return false;
            payload = p + 8;
            size = chunkSize;
            return true;
        }
        // Chunks are padded to an even length.
        p += 8 + static_cast<uint64_t>(chunkSize) + (chunkSize & 1);
    }
    return false;
}

bool CWaveFile::ParseHeader(uint32_t fileSize, WaveFormatEx* format)
{
    uint64_t riffPayload = 0;
    uint32_t riffSize = 0;
    if (!FindChunk("RIFF", 0, fileSize, riffPayload, riffSize) || riffSize < 4)
        return Fail(Error::NoRiff);
    uint64_t riffStart = riffPayload - 8;
    if (fileSize < static_cast<uint64_t>(riffSize) + 8)
        return Fail(Error::NoRiff);
    if (std::memcmp(m_view + riffPayload, "WAVE", 4) != 0)
        return Fail(Error::NotWave);

    uint64_t fmtPayload = 0, dataPayload = 0;
    uint32_t fmtSize = 0, dataSize = 0;
    if (!FindChunk("fmt ", riffStart + 12, riffSize - 4, fmtPayload, fmtSize))
        return Fail(Error::NoFmt);
    if (!FindChunk("data", riffStart + 12, riffSize - 4, dataPayload, dataSize))
        return Fail(Error::NoData);
    if (fmtSize < 16)
        return Fail(Error::FmtTooShort);

    const uint8_t* fmt = m_view + fmtPayload;
    uint16_t tag = GetU16(fmt);
    uint16_t channels = GetU16(fmt + 2);
    uint16_t bits = GetU16(fmt + 14);
    if (tag != kWaveFormatPcm)
        return Fail(Error::UnsupportedTag, tag);
    if (channels != 1 && channels != 2)
        return Fail(Error::UnsupportedChannels, channels);
    if (bits != 8 && bits != 16 && bits != 32)
        return Fail(Error::UnsupportedBits, bits);

    // Kept exactly as the file states them, not recomputed.
    m_format.formatTag = kWaveFormatPcm;
    m_format.channels = channels;
    m_format.samplesPerSec = GetU32(fmt + 4);
    m_format.avgBytesPerSec = GetU32(fmt + 8);
    m_format.blockAlign = GetU16(fmt + 12);
    m_format.bitsPerSample = bits;
    m_format.cbSize = 0;
    if (format)
        *format = m_format;

    m_data = m_view + dataPayload;
    m_dataLength = dataSize;
    m_headerLength = static_cast<uint32_t>(dataPayload);
    m_riffOffset = static_cast<uint32_t>(riffStart);
    m_open = 1;
    m_headerDirty = false;
    return true;
}

void CWaveFile::WriteHeader()
{
    m_format.formatTag = kWaveFormatPcm;
    m_format.avgBytesPerSec = CanonicalAvgBytesPerSec(m_format.channels, m_format.samplesPerSec, m_format.bitsPerSample);
    m_format.blockAlign = CanonicalBlockAlign(m_format.channels, m_format.bitsPerSample);
    m_format.cbSize = 0;
    WriteCanonicalWaveHeader(m_view, m_format.channels, m_format.samplesPerSec, m_format.bitsPerSample, 0);
    PutU32(m_view + kSizeOffset, 0);
    m_data = m_view + kCanonicalWaveHeaderSize;
    m_dataLength = 0;
    m_headerLength = kCanonicalWaveHeaderSize;
    m_riffOffset = 0;
    m_open = 1;
    m_headerDirty = true;
}

void CWaveFile::FlushHeader()
{
    if (m_open && m_headerDirty && !m_readOnly) {
        PutU32(m_view + kSizeOffset, m_dataLength + 36);
        PutU32(m_view + kDataSizeOffset, m_dataLength);
        m_headerDirty = false;
    }
}

uint32_t CWaveFile::Read(void* destination, uint32_t capacity)
{
    if (!m_data || !m_dataLength || !destination || !capacity)
        return 0;
    uint32_t count = m_dataLength < capacity ? m_dataLength : capacity;
    std::memcpy(destination, m_data, count);
    return count;
}

uint32_t CWaveFile::Write(const void* source, uint32_t bytes)
{
    if (!m_open || m_readOnly || !source || !bytes)
        return 0;
    uint64_t used = static_cast<uint64_t>(m_headerLength) + m_dataLength;
    uint64_t room = m_mappedSize > used ? m_mappedSize - used : 0;
    // Both size fields are 32-bit; the RIFF size adds the header to the data.
    uint64_t limit = UINT32_MAX - 36 - static_cast<uint64_t>(m_dataLength);
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>({bytes, room, limit}));
    if (!count)
        return 0;
    std::memcpy(m_data + m_dataLength, source, count);
    m_dataLength += count;
    // The data chunk's own size field; Close makes the RIFF size follow.
    PutU32(m_data - 4, m_dataLength);
    return count;
}

void CWaveFile::Close()
{
    if (m_open && m_headerDirty)
        FlushHeader();
    uint32_t finalLength = m_headerLength + m_dataLength;
    // Cutting the file after the samples must leave a RIFF chunk that still
    // fits the file, or the file could not be opened again.
    if (m_open && !m_readOnly && m_view && finalLength >= m_riffOffset + 8) {
        uint32_t riffSize = finalLength - m_riffOffset - 8;
        if (GetU32(m_view + m_riffOffset + kSizeOffset) != riffSize)
            PutU32(m_view + m_riffOffset + kSizeOffset, riffSize);
    }
    m_headerDirty = false;
    m_data = nullptr;
    if (m_view) {
        ::munmap(m_view, m_mappedSize);
        m_view = nullptr;
    }
    m_mappedSize = 0;
    if (m_fd >= 0) {
        // Only a file whose header was parsed or written is cut: a refused
        // file is left exactly as it was.
        if (m_open && !m_readOnly && ::ftruncate(m_fd, finalLength) != 0)
            VY_LOG("cannot cut the file to %u bytes: %s", finalLength, std::strerror(errno));
        ::close(m_fd);
        m_fd = -1;
    }
    m_dataLength = 0;
    m_headerLength = 0;
    m_riffOffset = 0;
    m_open = 0;
    m_readOnly = false;
}

}  // namespace vy
