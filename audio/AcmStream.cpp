#include "audio/AcmStream.h"

#include "base/Log.h"

#include <soxr.h>

#include <cmath>
#include <cstring>
#include <new>

namespace vy {
namespace {

float ReadSample(const uint8_t* p, uint16_t bits)
{
    switch (bits) {
    case 8:
        return (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
    case 16:
        return static_cast<int16_t>(p[0] | p[1] << 8) * (1.0f / 32768.0f);
    default: {
        auto v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                      static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
        return static_cast<float>(v * (1.0 / 2147483648.0));
    }
    }
}

void WriteSample(uint8_t* p, uint16_t bits, float value)
{
    switch (bits) {
    case 8: {
        long v = std::lrint(value * 128.0f) + 128;
        p[0] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        break;
    }
    case 16: {
        long v = std::lrint(value * 32768.0f);
        v = v < -32768 ? -32768 : v > 32767 ? 32767 : v;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        break;
    }
    default: {
        double scaled = std::nearbyint(static_cast<double>(value) * 2147483648.0);
        int64_t v = scaled < -2147483648.0 ? INT32_MIN : scaled > 2147483647.0 ? INT32_MAX : static_cast<int64_t>(scaled);
        auto u = static_cast<uint32_t>(v);
        p[0] = static_cast<uint8_t>(u);
        p[1] = static_cast<uint8_t>(u >> 8);
        p[2] = static_cast<uint8_t>(u >> 16);
        p[3] = static_cast<uint8_t>(u >> 24);
        break;
    }
    }
}

uint32_t FrameBytes(const WaveFormatEx& format)
{
    return static_cast<uint32_t>(format.channels) * (format.bitsPerSample / 8);
}

}  // namespace

bool CAcmStream::IsConvertible(const WaveFormatEx& format)
{
    return format.formatTag == kWaveFormatPcm && (format.channels == 1 || format.channels == 2) &&
        (format.bitsPerSample == 8 || format.bitsPerSample == 16 || format.bitsPerSample == 32) &&
        format.samplesPerSec > 0 && format.samplesPerSec <= kMaxSampleRate && format.blockAlign == FrameBytes(format);
}

uint64_t CAcmStream::TargetSize(uint32_t sourceBytes, const WaveFormatEx& source, const WaveFormatEx& target)
{
    uint64_t frames = sourceBytes / FrameBytes(source);
    uint64_t outFrames = frames;
    if (source.samplesPerSec != target.samplesPerSec) {
        outFrames = (frames * target.samplesPerSec + source.samplesPerSec - 1) / source.samplesPerSec;
        if (frames)
            outFrames += 1;  // the resampler rounds to the nearest frame
    }
    return outFrames * FrameBytes(target);
}

bool CAcmStream::Open(uint32_t sourceBytes, const WaveFormatEx& source, const WaveFormatEx& target)
{
    Close();
    if (!IsConvertible(source) || !IsConvertible(target)) {
        VY_LOG("unsupported conversion %u ch %u Hz %u bit -> %u ch %u Hz %u bit", source.channels,
               source.samplesPerSec, source.bitsPerSample, target.channels, target.samplesPerSec,
               target.bitsPerSample);
        return false;
    }
    uint64_t targetSize = TargetSize(sourceBytes, source, target);
    if (targetSize > UINT32_MAX) {
        VY_LOG("converted size of %u bytes too large", sourceBytes);
        return false;
    }
    try {
        m_source.assign(sourceBytes, 0);
        m_target.assign(static_cast<size_t>(targetSize), 0);
    } catch (const std::bad_alloc&) {
        VY_LOG("out of memory for %u source bytes", sourceBytes);
        Close();
        return false;
    }
    m_sourceFormat = source;
    m_targetFormat = target;
    m_converted = 0;
    m_open = true;
    return true;
}

bool CAcmStream::Convert()
{
    if (!m_open)
        return false;
    m_converted = 0;
    const uint32_t inBlock = FrameBytes(m_sourceFormat);
    const uint32_t outBlock = FrameBytes(m_targetFormat);
    const size_t frames = m_source.size() / inBlock;
    const uint16_t inChannels = m_sourceFormat.channels;
    const uint16_t outChannels = m_targetFormat.channels;
    const bool sameRate = m_sourceFormat.samplesPerSec == m_targetFormat.samplesPerSec;

    if (sameRate && inChannels == outChannels && m_sourceFormat.bitsPerSample == m_targetFormat.bitsPerSample) {
        std::memcpy(m_target.data(), m_source.data(), frames * inBlock);
        m_converted = static_cast<uint32_t>(frames * outBlock);
        return true;
    }

    try {
        // Channels first, into the target layout, as float for the resampler.
        std::vector<float> mixed(frames * outChannels);
        const uint8_t* in = m_source.data();
        const uint16_t inBits = m_sourceFormat.bitsPerSample;
        const uint32_t inSampleBytes = inBits / 8;
        for (size_t f = 0; f < frames; ++f, in += inBlock) {
            float left = ReadSample(in, inBits);
            if (inChannels == outChannels) {
                mixed[f * outChannels] = left;
                if (outChannels == 2)
                    mixed[f * 2 + 1] = ReadSample(in + inSampleBytes, inBits);
            } else if (outChannels == 1) {
                mixed[f] = (left + ReadSample(in + inSampleBytes, inBits)) * 0.5f;
            } else {
                mixed[f * 2] = left;
                mixed[f * 2 + 1] = left;
            }
        }

        const size_t capacityFrames = m_target.size() / outBlock;
        std::vector<float> resampled;
        const std::vector<float>* result = &mixed;
        size_t outFrames = frames;
        if (!sameRate && frames) {
            resampled.resize(capacityFrames * outChannels);
            soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            io.flags |= SOXR_NO_DITHER;
            soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            size_t done = 0;
            soxr_error_t error = soxr_oneshot(m_sourceFormat.samplesPerSec, m_targetFormat.samplesPerSec,
                                              outChannels, mixed.data(), frames, nullptr, resampled.data(),
                                              capacityFrames, &done, &io, &quality, nullptr);
            if (error) {
                VY_LOG("resampling failed: %s", error);
                return false;
            }
            result = &resampled;
            outFrames = done;
        }
        if (outFrames > capacityFrames)
            outFrames = capacityFrames;

        uint8_t* out = m_target.data();
        const uint16_t outBits = m_targetFormat.bitsPerSample;
        const uint32_t outSampleBytes = outBits / 8;
        const float* samples = result->data();
        const size_t count = outFrames * outChannels;
        for (size_t i = 0; i < count; ++i, out += outSampleBytes)
            WriteSample(out, outBits, samples[i]);
        m_converted = static_cast<uint32_t>(outFrames * outBlock);
    } catch (const std::bad_alloc&) {
        VY_LOG("out of memory converting %zu frames", frames);
        return false;
    }
    return true;
}

void CAcmStream::Close()
{
    m_open = false;
    std::vector<uint8_t>().swap(m_source);
    std::vector<uint8_t>().swap(m_target);
    m_converted = 0;
    m_sourceFormat = {};
    m_targetFormat = {};
}

}  // namespace vy
