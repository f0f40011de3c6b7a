#include "audio/Mp3Stream.h"

#include "audio/AudioEngine.h"

#include <algorithm>
#include <cstring>

namespace vy {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
// libmad's own delay between a sample going in and coming out.
constexpr uint64_t kDecoderDelay = 529;
// How far back a frame's data may start (the bit reservoir), with headroom.
constexpr uint64_t kReservoirBytes = 1024;

uint32_t SamplesPerFrame(const mad_header& header)
{
    switch (header.layer) {
    case MAD_LAYER_I:
        return 384;
    case MAD_LAYER_II:
        return 1152;
    default:
        return (header.flags & (MAD_FLAG_LSF_EXT | MAD_FLAG_MPEG_2_5_EXT)) ? 576 : 1152;
    }
}

bool SameStream(const mad_header& a, const mad_header& b)
{
    return a.layer == b.layer && a.samplerate == b.samplerate &&
           (a.flags & (MAD_FLAG_LSF_EXT | MAD_FLAG_MPEG_2_5_EXT)) ==
               (b.flags & (MAD_FLAG_LSF_EXT | MAD_FLAG_MPEG_2_5_EXT));
}

int16_t ToPcm16(mad_fixed_t sample)
{
    sample += 1L << (MAD_F_FRACBITS - 16);
    if (sample >= MAD_F_ONE)
        sample = MAD_F_ONE - 1;
    else if (sample < -MAD_F_ONE)
        sample = -MAD_F_ONE;
    return static_cast<int16_t>(sample >> (MAD_F_FRACBITS + 1 - 16));
}

uint32_t BigEndian32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

CMp3Stream::CMp3Stream(std::unique_ptr<IByteSource> bytes) : m_bytes(std::move(bytes)), m_buffer(kBufferSize + MAD_BUFFER_GUARD)
{
    mad_stream_init(&m_stream);
    mad_frame_init(&m_frame);
    mad_synth_init(&m_synth);
}

CMp3Stream::~CMp3Stream()
{
    mad_synth_finish(&m_synth);
    mad_frame_finish(&m_frame);
    mad_stream_finish(&m_stream);
}

std::unique_ptr<CMp3Stream> CMp3Stream::Open(std::unique_ptr<IByteSource> bytes, std::string& error)
{
    std::unique_ptr<CMp3Stream> stream(new CMp3Stream(std::move(bytes)));
    if (!stream->Scan(error))
        return nullptr;
    stream->Seek(0);
    return stream;
}

void CMp3Stream::FindDataRange()
{
    m_dataStart = 0;
    m_dataEnd = m_bytes->Size();
    // ID3v2 tags before the audio (several may follow each other).
    for (;;) {
        unsigned char tag[10];
        if (m_bytes->ReadAt(m_dataStart, tag, 10) != 10 || std::memcmp(tag, "ID3", 3) != 0 ||
            ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80))
            break;
        uint64_t size = uint64_t(tag[6]) << 21 | uint64_t(tag[7]) << 14 | uint64_t(tag[8]) << 7 | tag[9];
        m_dataStart += 10 + size + ((tag[5] & 0x10) ? 10 : 0);
    }
    // ID3v1 and APEv2 tags after it.
    unsigned char tail[128];
    if (m_dataEnd >= m_dataStart + 128 && m_bytes->ReadAt(m_dataEnd - 128, tail, 128) == 128 &&
        std::memcmp(tail, "TAG", 3) == 0)
        m_dataEnd -= 128;
    unsigned char ape[32];
    if (m_dataEnd >= m_dataStart + 32 && m_bytes->ReadAt(m_dataEnd - 32, ape, 32) == 32 &&
        std::memcmp(ape, "APETAGEX", 8) == 0) {
        uint64_t size = uint64_t(ape[12]) | uint64_t(ape[13]) << 8 | uint64_t(ape[14]) << 16 | uint64_t(ape[15]) << 24;
        bool hasHeader = ape[23] & 0x80;
        uint64_t total = size + (hasHeader ? 32 : 0);
        if (total <= m_dataEnd - m_dataStart)
            m_dataEnd -= total;
    }
    if (m_dataStart > m_dataEnd)
        m_dataStart = m_dataEnd;
}

void CMp3Stream::ResetDecoder(uint64_t offset)
{
    mad_synth_finish(&m_synth);
    mad_frame_finish(&m_frame);
    mad_stream_finish(&m_stream);
    mad_stream_init(&m_stream);
    mad_frame_init(&m_frame);
    mad_synth_init(&m_synth);
    m_bufferFill = 0;
    m_bufferOffset = offset;
    m_readOffset = offset;
    m_guardAdded = false;
}

bool CMp3Stream::Refill()
{
    size_t keep = 0;
    if (m_stream.next_frame && m_bufferFill > 0) {
        size_t consumed = static_cast<size_t>(m_stream.next_frame - m_buffer.data());
        keep = m_bufferFill - consumed;
        std::memmove(m_buffer.data(), m_stream.next_frame, keep);
        m_bufferOffset += consumed;
    }
    size_t added = 0;
    if (m_readOffset < m_dataEnd && keep < kBufferSize) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(kBufferSize - keep, m_dataEnd - m_readOffset));
        added = m_bytes->ReadAt(m_readOffset, m_buffer.data() + keep, want);
        m_readOffset += added;
        if (added < want)
            m_readOffset = m_dataEnd;  // the file shrank: what is left is all there is
    }
    if (added == 0) {
        if (m_guardAdded)
            return false;
        // The last frame decodes only with a guard of zeros after it.
        std::memset(m_buffer.data() + keep, 0, MAD_BUFFER_GUARD);
        added = MAD_BUFFER_GUARD;
        m_guardAdded = true;
    }
    m_bufferFill = keep + added;
    mad_stream_buffer(&m_stream, m_buffer.data(), m_bufferFill);
    return true;
}

uint64_t CMp3Stream::FrameOffset() const
{
    return m_bufferOffset + static_cast<uint64_t>(m_stream.this_frame - m_buffer.data());
}

bool CMp3Stream::Scan(std::string& error)
{
    FindDataRange();
    ResetDecoder(m_dataStart);
    mad_header first;
    mad_header_init(&first);
    // A first frame counts only when the next one follows it directly, so
    // that stray sync bits in leading junk are not taken for audio.
    bool haveFirst = false;
    bool haveCandidate = false;
    mad_header candidate;
    uint64_t candidateOffset = 0;
    uint64_t candidateEnd = 0;
    auto acceptFirst = [&](const mad_header& header, uint64_t offset) {
        first = header;
        haveFirst = true;
        m_samplesPerFrame = SamplesPerFrame(header);
        m_sampleRate = header.samplerate;
        m_channels = header.mode == MAD_MODE_SINGLE_CHANNEL ? 1 : 2;
        ReadEncoderTag(offset, header);
        if (!m_encoderTag)
            m_frameOffsets.push_back(offset);
    };
    bool ended = false;
    if (!Refill())
        ended = true;
    while (!ended) {
        mad_header header;
        if (mad_header_decode(&header, &m_stream) == -1) {
            if (m_stream.error == MAD_ERROR_BUFLEN) {
                if (!Refill())
                    break;
                continue;
            }
            if (MAD_RECOVERABLE(m_stream.error))
                continue;
            break;
        }
        const uint64_t offset = FrameOffset();
        const uint64_t end = offset + static_cast<uint64_t>(m_stream.next_frame - m_stream.this_frame);
        if (end > m_dataEnd)
            break;  // a frame cut off at the end of the file
        if (!haveFirst) {
            if (haveCandidate && offset == candidateEnd && SameStream(candidate, header)) {
                acceptFirst(candidate, candidateOffset);
                m_frameOffsets.push_back(offset);
            } else {
                candidate = header;
                candidateOffset = offset;
                candidateEnd = end;
                haveCandidate = true;
            }
            continue;
        }
        if (SameStream(first, header))
            m_frameOffsets.push_back(offset);
    }
    if (!haveFirst && haveCandidate)
        acceptFirst(candidate, candidateOffset);
    if (!haveFirst || m_frameOffsets.empty() || m_sampleRate == 0) {
        error = "no MPEG audio frames found";
        return false;
    }
    const uint64_t decoded = uint64_t(m_frameOffsets.size()) * m_samplesPerFrame;
    m_skipStart = 0;
    m_totalFrames = decoded;
    if (m_gapless && m_encoderDelay + m_encoderPadding < decoded) {
        m_skipStart = m_encoderDelay + kDecoderDelay;
        m_totalFrames = std::min(decoded - m_encoderDelay - m_encoderPadding, decoded - m_skipStart);
    }
    return true;
}

void CMp3Stream::ReadEncoderTag(uint64_t offset, const mad_header& header)
{
    if (header.layer != MAD_LAYER_III)
        return;
    unsigned char frame[512] = {};
    size_t got = m_bytes->ReadAt(offset, frame, sizeof frame);
    const bool mpeg1 = !(header.flags & (MAD_FLAG_LSF_EXT | MAD_FLAG_MPEG_2_5_EXT));
    const bool mono = header.mode == MAD_MODE_SINGLE_CHANNEL;
    size_t at = 4 + ((header.flags & MAD_FLAG_PROTECTION) ? 2 : 0) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (got >= 36 + 4 && std::memcmp(frame + 36, "VBRI", 4) == 0) {
        m_encoderTag = true;  // a tag frame without gapless information
        return;
    }
    if (got < at + 8 || (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0))
        return;
    m_encoderTag = true;
    const uint32_t flags = BigEndian32(frame + at + 4);
    size_t p = at + 8;
    if (flags & 1)
        p += 4;
    if (flags & 2)
        p += 4;
    if (flags & 4)
        p += 100;
    if (flags & 8)
        p += 4;
    if (got < p + 24)
        return;
    const unsigned char* lame = frame + p;
    if (std::memcmp(lame, "LAME", 4) != 0 && std::memcmp(lame, "Lavc", 4) != 0 && std::memcmp(lame, "Lavf", 4) != 0)
        return;
    const uint64_t delay = uint64_t(lame[21]) << 4 | lame[22] >> 4;
    const uint64_t padding = uint64_t(lame[22] & 0x0F) << 8 | lame[23];
    // Checked against the frames found once the scan is done.
    m_gapless = true;
    m_encoderDelay = delay;
    m_encoderPadding = padding;
}

int64_t CMp3Stream::FrameIndex(uint64_t offset) const
{
    if (m_nextIndex < m_frameOffsets.size() && m_frameOffsets[m_nextIndex] == offset)
        return static_cast<int64_t>(m_nextIndex);
    auto it = std::lower_bound(m_frameOffsets.begin(), m_frameOffsets.end(), offset);
    if (it == m_frameOffsets.end() || *it != offset)
        return -1;
    return it - m_frameOffsets.begin();
}

bool CMp3Stream::DecodeNext()
{
    const size_t channels = m_channels;
    const uint64_t frameCount = m_frameOffsets.size();
    auto startPending = [&](uint64_t index) {
        m_pending.clear();
        m_pendingStart = m_nextIndex * m_samplesPerFrame;
        if (index > m_nextIndex)
            m_pending.assign((index - m_nextIndex) * m_samplesPerFrame * channels, 0);
    };
    while (m_nextIndex < frameCount) {
        if (mad_frame_decode(&m_frame, &m_stream) == -1) {
            if (m_stream.error == MAD_ERROR_BUFLEN) {
                if (Refill())
                    continue;
                break;
            }
            if (MAD_RECOVERABLE(m_stream.error))
                continue;
            break;
        }
        const int64_t found = FrameIndex(FrameOffset());
        if (found < 0 || static_cast<uint64_t>(found) < m_nextIndex)
            continue;  // the tag frame, or a false sync
        const uint64_t index = static_cast<uint64_t>(found);
        mad_synth_frame(&m_synth, &m_frame);
        startPending(index);
        const size_t base = m_pending.size();
        m_pending.resize(base + size_t(m_samplesPerFrame) * channels, 0);
        const size_t length = std::min<size_t>(m_synth.pcm.length, m_samplesPerFrame);
        const unsigned frameChannels = m_synth.pcm.channels;
        for (size_t i = 0; i < length; ++i) {
            int16_t left = ToPcm16(m_synth.pcm.samples[0][i]);
            int16_t right = frameChannels > 1 ? ToPcm16(m_synth.pcm.samples[1][i]) : left;
            if (channels == 2) {
                m_pending[base + 2 * i] = left;
                m_pending[base + 2 * i + 1] = right;
            } else {
                m_pending[base + i] = static_cast<int16_t>((int(left) + int(right)) / 2);
            }
        }
        m_nextIndex = index + 1;
        return true;
    }
    if (m_nextIndex >= frameCount)
        return false;
    // Frames the decoder could not reach: silence keeps the length right.
    startPending(frameCount);
    m_nextIndex = frameCount;
    return true;
}

size_t CMp3Stream::Read(int16_t* out, size_t frames)
{
    const uint64_t end = m_skipStart + m_totalFrames;
    const size_t channels = m_channels;
    size_t done = 0;
    while (done < frames && m_cursor < end) {
        const uint64_t pendingFrames = m_pending.size() / channels;
        if (m_cursor < m_pendingStart || m_cursor >= m_pendingStart + pendingFrames) {
            if (!DecodeNext())
                break;
            continue;
        }
        const uint64_t available = std::min(m_pendingStart + pendingFrames, end) - m_cursor;
        const size_t count = static_cast<size_t>(std::min<uint64_t>(frames - done, available));
        std::memcpy(out + done * channels, m_pending.data() + (m_cursor - m_pendingStart) * channels,
                    count * channels * sizeof(int16_t));
        done += count;
        m_cursor += count;
    }
    return done;
}

void CMp3Stream::Seek(uint64_t frame)
{
    m_cursor = std::min(frame, m_totalFrames) + m_skipStart;
    const uint64_t frameCount = m_frameOffsets.size();
    const uint64_t target = m_cursor / m_samplesPerFrame;
    m_pending.clear();
    if (target >= frameCount) {
        m_nextIndex = frameCount;
        m_pendingStart = frameCount * m_samplesPerFrame;
        return;
    }
    // Start a little earlier: the frame's data may begin in earlier frames,
    // and its first samples overlap the previous frame's.
    uint64_t start = target;
    while (start > 0 && (target - start < 2 || m_frameOffsets[target] - m_frameOffsets[start] < kReservoirBytes))
        --start;
    ResetDecoder(m_frameOffsets[start]);
    Refill();
    m_nextIndex = start;
    m_pendingStart = start * m_samplesPerFrame;
}

uint32_t CMp3Stream::BitrateKbps() const
{
    // Over the audio frames: the tag frame and the encoder's padding are
    // no sound but still frames of the stream's bitrate.
    if (m_sampleRate == 0 || m_frameOffsets.empty())
        return 0;
    const uint64_t bits = (m_dataEnd - m_frameOffsets.front()) * 8;
    const uint64_t ms = std::max<uint64_t>(1, uint64_t(m_frameOffsets.size()) * m_samplesPerFrame * 1000 / m_sampleRate);
    return static_cast<uint32_t>(bits / ms);
}

int CMp3Stream::FormatCode() const
{
    return kAudioFormatMp3;
}

}  // namespace vy
