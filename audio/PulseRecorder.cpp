#include "audio/PulseRecorder.h"

#include "base/Log.h"

#include <algorithm>
#include <cstring>

namespace vy {

CPulseRecorder::CPulseRecorder(CPulseConnection& connection) : m_connection(connection) {}

CPulseRecorder::~CPulseRecorder()
{
    std::string ignored;
    Stop(ignored);
}

bool CPulseRecorder::OpenOutput(const std::string& path, uint32_t kbps, std::string& error)
{
    if (m_running) {
        error = "cannot change the recording file while recording";
        return false;
    }
    m_recordedFrames = 0;
    return m_encoder.Open(path, kSampleRate, kChannels, kbps, error);
}

void CPulseRecorder::SetGain(int left, int right)
{
    m_gainLeft = std::clamp(left, 0, 100);
    m_gainRight = std::clamp(right, 0, 100);
}

bool CPulseRecorder::Start(const std::string& sourceId, int timeoutMs, std::string& error)
{
    if (m_running)
        return true;
    if (!m_encoder.IsOpen()) {
        error = "no recording file is open";
        return false;
    }
    if (!m_connection.IsConnected()) {
        error = "not connected to the sound server";
        return false;
    }
    m_failure.clear();
    m_meter.Reset();
    pa_sample_spec sampleFormat;
    sampleFormat.format = PA_SAMPLE_S16LE;
    sampleFormat.rate = kSampleRate;
    sampleFormat.channels = kChannels;
    m_stream = pa_stream_new(m_connection.Context(), "Recording", &sampleFormat, nullptr);
    if (!m_stream) {
        error = m_connection.ErrorText("cannot create a recording stream");
        return false;
    }
    pa_stream_set_state_callback(m_stream, &CPulseRecorder::OnState, this);
    pa_stream_set_read_callback(m_stream, &CPulseRecorder::OnRead, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(pa_usec_t(kFragmentMs) * PA_USEC_PER_MSEC, &sampleFormat));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
    m_running = true;
    if (pa_stream_connect_record(m_stream, sourceId.empty() ? nullptr : sourceId.c_str(), &attr, flags) < 0) {
        error = m_connection.ErrorText("cannot start recording");
        m_running = false;
        CloseStream();
        return false;
    }
    pa_stream* stream = m_stream;
    bool settled = m_connection.Wait(
        [this, stream] {
            if (m_stream != stream)
                return true;
            pa_stream_state_t state = pa_stream_get_state(stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        },
        timeoutMs);
    if (m_stream == stream && settled && pa_stream_get_state(stream) == PA_STREAM_READY)
        return true;
    if (!settled)
        error = m_connection.InLoopThread() ? "cannot start recording from the engine's own thread"
                                            : "cannot start recording: no answer from the sound server";
    else
        error = m_failure.empty() ? m_connection.ErrorText("cannot start recording") : m_failure;
    m_running = false;
    CloseStream();
    return false;
}

void CPulseRecorder::CloseStream()
{
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

bool CPulseRecorder::Stop(std::string& error)
{
    if (m_stream && m_running)
        ReadAvailable();  // what was captured up to now belongs to the recording
    CloseStream();
    m_running = false;
    m_meter.Reset();
    if (!m_encoder.IsOpen())
        return true;
    return m_encoder.Close(error);
}

void CPulseRecorder::Fail(const std::string& reason)
{
    m_failure = reason;
    VY_LOG("%s", reason.c_str());
    CloseStream();
    m_running = false;
    // Keep what was recorded: a finished file, not a broken one.
    std::string ignored;
    m_encoder.Close(ignored);
}

void CPulseRecorder::OnState(pa_stream* stream, void* self)
{
    auto* recorder = static_cast<CPulseRecorder*>(self);
    recorder->m_connection.Signal();
    if (stream != recorder->m_stream || PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        return;
    recorder->Fail(recorder->m_connection.ErrorText("recording stopped"));
}

void CPulseRecorder::OnRead(pa_stream* stream, size_t, void* self)
{
    auto* recorder = static_cast<CPulseRecorder*>(self);
    if (stream == recorder->m_stream)
        recorder->ReadAvailable();
}

void CPulseRecorder::ReadAvailable()
{
    const size_t frameBytes = kChannels * sizeof(int16_t);
    while (m_stream && pa_stream_readable_size(m_stream) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(m_stream, &data, &bytes) < 0) {
            Fail(m_connection.ErrorText("cannot read the recording stream"));
            return;
        }
        if (bytes == 0)
            break;
        const size_t frames = bytes / frameBytes;
        m_scratch.resize(frames * kChannels);
        if (data)
            std::memcpy(m_scratch.data(), data, frames * frameBytes);
        else
            std::fill(m_scratch.begin(), m_scratch.end(), 0);  // a gap in the capture keeps its length
        pa_stream_drop(m_stream);
        if (!Consume(m_scratch.data(), frames))
            return;
    }
}

bool CPulseRecorder::Consume(int16_t* samples, size_t frames)
{
    if (m_gainLeft != 100 || m_gainRight != 100) {
        for (size_t i = 0; i < frames; ++i) {
            samples[2 * i] = static_cast<int16_t>(samples[2 * i] * m_gainLeft / 100);
            samples[2 * i + 1] = static_cast<int16_t>(samples[2 * i + 1] * m_gainRight / 100);
        }
    }
    if (m_levelsEnabled)
        m_meter.Add(samples, frames, kChannels, kSampleRate, m_recordedFrames * 1000 / kSampleRate);
    std::string error;
    if (!m_encoder.Encode(samples, frames, error)) {
        Fail(error);
        return false;
    }
    m_recordedFrames += frames;
    m_meter.DropBefore(m_recordedFrames * 1000 / kSampleRate > 1000 ? m_recordedFrames * 1000 / kSampleRate - 1000 : 0);
    return true;
}

void CPulseRecorder::GetLevels(int& left, int& right) const
{
    left = right = 0;
    if (!m_running || !m_levelsEnabled)
        return;
    m_meter.Get(m_recordedFrames * 1000 / kSampleRate, left, right);
}

}  // namespace vy
