#include "audio/LibmadDecoder.h"

#include "base/Log.h"
#include "base/ResourceProvider.h"

#include <mad.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vy {
namespace {

// One frame of output: 1152 samples, two channels, two bytes each.
constexpr size_t kMaxFrameBytes = 1152 * 2 * 2;

bool WriteAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// libmad's fixed point (one unit = 2^28) to 16 bits: round, clip, drop the
// fraction; then the volume factor, truncating toward zero. The product is
// held within 16 bits so a factor above 1 clips instead of wrapping around.
inline int16_t ScaleSample(mad_fixed_t sample, float factor)
{
    int64_t s = static_cast<int64_t>(sample) + (1L << (MAD_F_FRACBITS - 16));
    if (s >= MAD_F_ONE)
        s = MAD_F_ONE - 1;
    else if (s < -MAD_F_ONE)
        s = -MAD_F_ONE;
    s >>= MAD_F_FRACBITS + 1 - 16;
    float scaled = static_cast<float>(s) * factor;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    return static_cast<int16_t>(scaled);
}

// Length of an ID3v2 tag at the start of `data` (header, body and footer),
// or 0 when there is none or its header is not well formed.
size_t Id3v2TagLength(const uint8_t* data, size_t length)
{
    if (length < 10 || data[0] != 'I' || data[1] != 'D' || data[2] != '3' || data[3] == 0xFF || data[4] == 0xFF)
        return 0;
    if ((data[6] | data[7] | data[8] | data[9]) & 0x80)
        return 0;
    size_t body = static_cast<size_t>(data[6]) << 21 | static_cast<size_t>(data[7]) << 14 |
        static_cast<size_t>(data[8]) << 7 | data[9];
    size_t total = 10 + body + ((data[5] & 0x10) ? 10 : 0);
    return total <= length ? total : 0;
}

}  // namespace

struct CLibmadDecoder::Callbacks {
    static mad_flow Input(void* data, mad_stream* stream)
    {
        auto* self = static_cast<CLibmadDecoder*>(data);
        if (self->m_inputLength == 0)
            return MAD_FLOW_STOP;
        mad_stream_buffer(stream, self->m_input.data(), static_cast<unsigned long>(self->m_inputLength));
        self->m_inputLength = 0;
        return MAD_FLOW_CONTINUE;
    }

    static mad_flow Filter(void*, const mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; }

    // A bad frame is skipped.
    static mad_flow Error(void*, mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; }

    static mad_flow Output(void* data, const mad_header*, mad_pcm* pcm)
    {
        auto* self = static_cast<CLibmadDecoder*>(data);
        if (self->IsStopRequested())
            return MAD_FLOW_STOP;
        const unsigned channels = pcm->channels >= 2 ? 2 : 1;
        const unsigned length = pcm->length;
        self->m_totalSamples += length;

        uint8_t* out = self->m_pcm.data();
        const float factor = self->m_volumeFactor;
        for (unsigned i = 0; i < length; ++i) {
            for (unsigned ch = 0; ch < channels; ++ch) {
                int16_t v = ScaleSample(pcm->samples[ch][i], factor);
                *out++ = static_cast<uint8_t>(v);
                *out++ = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
            }
        }
        WaveFormatEx& format = self->m_format;
        format.formatTag = kWaveFormatPcm;
        format.channels = static_cast<uint16_t>(channels);
        format.samplesPerSec = pcm->samplerate;
        format.avgBytesPerSec = channels * 2 * pcm->samplerate;
        format.blockAlign = static_cast<uint16_t>(channels * 2);
        format.bitsPerSample = 16;
        format.cbSize = 16;

        size_t bytes = static_cast<size_t>(out - self->m_pcm.data());
        if (!WriteAll(self->m_rawFd, self->m_pcm.data(), bytes)) {
            VY_LOG("cannot write decoded sound to %s: %s", self->m_rawPath.c_str(), std::strerror(errno));
            self->m_writeFailed = true;
            return MAD_FLOW_STOP;
        }
        if (pcm->samplerate == 0)
            return MAD_FLOW_CONTINUE;
        // Whole seconds: the frame that reaches the limit has been written.
        auto seconds = static_cast<int>(static_cast<float>(self->m_totalSamples) / static_cast<float>(pcm->samplerate));
        return seconds < self->m_limit ? MAD_FLOW_CONTINUE : MAD_FLOW_STOP;
    }
};

CLibmadDecoder::CLibmadDecoder(const IResourceProvider* resources, SNotifyCenter* center)
    : CThreadObject("LibmadDecoder"), m_resources(resources), m_center(center)
{
}

CLibmadDecoder::~CLibmadDecoder()
{
    Reset();
}

int CLibmadDecoder::MakeTempFile(std::string& path)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + kTempPrefix + "XXXXXX";
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        VY_LOG("cannot create a temporary file %s: %s", pattern.c_str(), std::strerror(errno));
        return -1;
    }
    path = pattern;
    return fd;
}

bool CLibmadDecoder::Start(const std::string& source, float volumePercent, bool fromResource, const void* owner,
                           int limitSeconds)
{
    m_owner = owner;
    m_limit = limitSeconds;
    m_volumeFactor = volumePercent / 100.0f;
    Reset();

    m_inputLength = 0;
    m_totalSamples = 0;
    m_writeFailed = false;
    m_format = {};
    try {
        m_pcm.resize(kMaxFrameBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_rawFd = MakeTempFile(m_rawPath);
    if (m_rawFd < 0)
        return false;
    m_fromResource = fromResource;
    m_source = source;
    m_postTo = m_center ? m_center : SNotifyCenter::Current();
    if (!CThreadObject::Start()) {
        CloseRawFile(true);
        return false;
    }
    return true;
}

void CLibmadDecoder::Reset()
{
    // The worker owns the buffers while it runs: it must have ended first.
    Stop(kStopTimeoutMs);
    CloseRawFile(true);
    std::vector<uint8_t>().swap(m_input);
    std::vector<uint8_t>().swap(m_pcm);
    m_inputLength = 0;
}

void CLibmadDecoder::CloseRawFile(bool remove)
{
    if (m_rawFd >= 0) {
        ::close(m_rawFd);
        m_rawFd = -1;
    }
    if (remove && !m_rawPath.empty())
        ::unlink(m_rawPath.c_str());
    m_rawPath.clear();
}

bool CLibmadDecoder::LoadInput()
{
    m_input.clear();
    std::string content;
    if (m_fromResource) {
        if (!m_resources || !m_resources->Find(kBuiltInMp3Type, m_source, content) || content.empty()) {
            VY_LOG("no built-in sound %s", m_source.c_str());
            return false;
        }
        m_input.assign(content.begin(), content.end());
    } else {
        int fd = ::open(m_source.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            VY_LOG("cannot open %s: %s", m_source.c_str(), std::strerror(errno));
            return false;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
            static_cast<uint64_t>(info.st_size) > UINT32_MAX - MAD_BUFFER_GUARD) {
            ::close(fd);
            VY_LOG("cannot read %s: not a regular file of a usable size", m_source.c_str());
            return false;
        }
        m_input.resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < m_input.size()) {
            ssize_t n = ::read(fd, m_input.data() + got, m_input.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        ::close(fd);
        if (got != m_input.size()) {
            VY_LOG("short read of %s: %zu of %zu bytes", m_source.c_str(), got, m_input.size());
            m_input.clear();
            return false;
        }
    }
    // An ID3v2 tag in front (title, cover picture) is not audio: libmad would
    // search it for frames and could play parts of a picture as noise.
    size_t tag = Id3v2TagLength(m_input.data(), m_input.size());
    if (tag > 0)
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(tag));
    // libmad needs zero bytes behind the last frame to decode that frame.
    m_input.resize(m_input.size() + MAD_BUFFER_GUARD, 0);
    m_inputLength = m_input.size();
    return true;
}

bool CLibmadDecoder::AssembleWave()
{
    struct stat info {};
    if (::fstat(m_rawFd, &info) != 0 || ::lseek(m_rawFd, 0, SEEK_SET) != 0)
        return false;
    if (static_cast<uint64_t>(info.st_size) > UINT32_MAX - 36) {
        VY_LOG("decoded sound too long for a WAV file: %lld bytes", static_cast<long long>(info.st_size));
        return false;
    }
    auto dataBytes = static_cast<uint32_t>(info.st_size);

    if (!m_wavPath.empty()) {
        ::unlink(m_wavPath.c_str());
        m_wavPath.clear();
    }
    std::string wavPath;
    int wavFd = MakeTempFile(wavPath);
    if (wavFd < 0)
        return false;

    uint8_t header[kCanonicalWaveHeaderSize];
    WriteCanonicalWaveHeader(header, m_format.channels, m_format.samplesPerSec, m_format.bitsPerSample, dataBytes);
    bool ok = WriteAll(wavFd, header, sizeof header);
    // In-kernel copy where the file system allows it, else through a buffer.
    uint64_t copied = 0;
    while (ok && copied < dataBytes) {
        ssize_t n = ::copy_file_range(m_rawFd, nullptr, wavFd, nullptr, dataBytes - copied, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        copied += static_cast<uint64_t>(n);
    }
    std::vector<uint8_t> chunk(copied < dataBytes ? 1 << 16 : 0);
    while (ok && copied < dataBytes) {
        ssize_t n = ::read(m_rawFd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        ok = WriteAll(wavFd, chunk.data(), static_cast<size_t>(n));
        copied += static_cast<uint64_t>(n);
    }
    ok = ok && copied == dataBytes;
    if (::close(wavFd) != 0)
        ok = false;
    CloseRawFile(true);
    if (!ok) {
        VY_LOG("cannot write the decoded WAV %s: %s", wavPath.c_str(), std::strerror(errno));
        ::unlink(wavPath.c_str());
        return false;
    }
    m_wavPath = wavPath;
    return true;
}

int CLibmadDecoder::Run()
{
    // Only this thread: on Linux a thread id names one thread to setpriority.
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice) != 0)
        VY_LOG("cannot lower the decoder's priority: %s", std::strerror(errno));

    bool loaded = false;
    try {
        loaded = LoadInput();
    } catch (const std::bad_alloc&) {
        VY_LOG("out of memory loading %s", m_source.c_str());
        m_input.clear();
    }
    if (loaded) {
        mad_decoder decoder;
        mad_decoder_init(&decoder, this, Callbacks::Input, nullptr, Callbacks::Filter, Callbacks::Output,
                         Callbacks::Error, nullptr);
        mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
        mad_decoder_finish(&decoder);
    }
    // A reset run reports nothing: its owner has moved on.
    if (IsStopRequested())
        return 0;

    int status = 0;
    if (m_totalSamples > 0 && !m_writeFailed && AssembleWave())
        status = 1;
    if (status == 0)
        CloseRawFile(true);
    VY_LOG("decoded %s: status %d, %u samples", m_source.c_str(), status, m_totalSamples);
    if (m_postTo)
        m_postTo->Post(std::make_shared<EventDecoderFinsh>(status ? m_wavPath : std::string(), status, m_owner));
    else
        VY_LOG("no notification center for the decoder's result");
    return status;
}

}  // namespace vy
