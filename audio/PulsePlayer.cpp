#include "audio/PulsePlayer.h"

#include "base/Log.h"

#include <algorithm>

namespace vy {

CPulsePlayer::CPulsePlayer(CPulseConnection& connection) : m_connection(connection) {}

CPulsePlayer::~CPulsePlayer()
{
    CloseStream();
}

void CPulsePlayer::SetSource(std::unique_ptr<IPcmSource> source)
{
    Stop();
    m_ended = false;
    m_source = std::move(source);
}

uint64_t CPulsePlayer::MsOf(uint64_t frame) const
{
    const uint32_t rate = m_source ? m_source->SampleRate() : 0;
    return rate ? frame * 1000 / rate : 0;
}

pa_cvolume CPulsePlayer::Volume() const
{
    auto toVolume = [](int percent) {
        return static_cast<pa_volume_t>(uint64_t(std::clamp(percent, 0, 100)) * PA_VOLUME_NORM / 100);
    };
    pa_cvolume volume;
    const uint32_t channels = m_source ? m_source->Channels() : 2;
    if (channels == 2) {
        pa_cvolume_init(&volume);
        volume.channels = 2;
        volume.values[0] = toVolume(m_volumeLeft);
        volume.values[1] = toVolume(m_volumeRight);
    } else {
        pa_cvolume_set(&volume, channels, toVolume((m_volumeLeft + m_volumeRight) / 2));
    }
    return volume;
}

void CPulsePlayer::CloseStream()
{
    if (m_drain) {
        pa_operation_cancel(m_drain);
        pa_operation_unref(m_drain);
        m_drain = nullptr;
    }
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
}

bool CPulsePlayer::Start(const std::string& sinkId, uint32_t latencyMs, int timeoutMs, std::string& error)
{
    if (m_running)
        return true;
    if (!m_source) {
        error = "no sound is open";
        return false;
    }
    if (!m_connection.IsConnected()) {
        error = "not connected to the sound server";
        return false;
    }
    if (m_ended) {
        m_ended = false;
        m_startFrame = 0;
    }
    m_source->Seek(m_startFrame);
    m_writtenFrames = 0;
    m_sourceDone = false;
    m_failure.clear();
    m_meter.Reset();

    pa_sample_spec sampleFormat;
    sampleFormat.format = PA_SAMPLE_S16LE;
    sampleFormat.rate = m_source->SampleRate();
    sampleFormat.channels = static_cast<uint8_t>(m_source->Channels());
    if (!pa_sample_spec_valid(&sampleFormat)) {
        error = "the sound's format cannot be played (" + std::to_string(sampleFormat.rate) + " Hz, " +
                std::to_string(sampleFormat.channels) + " channels)";
        return false;
    }
    m_stream = pa_stream_new(m_connection.Context(), "Playback", &sampleFormat, nullptr);
    if (!m_stream) {
        error = m_connection.ErrorText("cannot create a playback stream");
        return false;
    }
    pa_stream_set_state_callback(m_stream, &CPulsePlayer::OnState, this);
    pa_stream_set_write_callback(m_stream, &CPulsePlayer::OnWrite, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(pa_usec_t(latencyMs) * PA_USEC_PER_MSEC, &sampleFormat));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                      PA_STREAM_ADJUST_LATENCY);
    pa_cvolume volume = Volume();
    // Running before the stream is ready: the first write requests may come
    // while waiting.
    m_running = true;
    m_sinkOfStream = sinkId;
    if (pa_stream_connect_playback(m_stream, sinkId.empty() ? nullptr : sinkId.c_str(), &attr, flags, &volume,
                                   nullptr) < 0) {
        error = m_connection.ErrorText("cannot start playback");
        m_running = false;
        CloseStream();
        return false;
    }
    pa_stream* stream = m_stream;
    m_starting = true;
    bool settled = m_connection.Wait(
        [this, stream] {
            if (m_stream != stream)
                return true;  // ended (or failed) while starting
            pa_stream_state_t state = pa_stream_get_state(stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        },
        timeoutMs);
    m_starting = false;
    if (m_stream == stream && settled && pa_stream_get_state(stream) == PA_STREAM_READY)
        return true;
    if (m_stream != stream && m_ended && m_failure.empty())
        return true;  // so short that it already played
    if (!settled)
        error = m_connection.InLoopThread() ? "cannot start playback from the engine's own thread"
                                            : "cannot start playback: no answer from the sound server";
    else
        error = m_failure.empty() ? m_connection.ErrorText("cannot start playback") : m_failure;
    m_running = false;
    m_ended = false;
    CloseStream();
    return false;
}

void CPulsePlayer::Stop()
{
    CloseStream();
    m_running = false;
    m_ended = false;
    m_startFrame = 0;
    m_meter.Reset();
}

bool CPulsePlayer::Seek(uint64_t frame, uint32_t latencyMs, int timeoutMs, std::string& error)
{
    if (!m_source) {
        error = "no sound is open";
        return false;
    }
    frame = std::min(frame, m_source->TotalFrames());
    const bool wasRunning = m_running;
    CloseStream();
    m_running = false;
    m_ended = false;
    m_startFrame = frame;
    if (!wasRunning)
        return true;
    const std::string sinkId = m_sinkOfStream;
    return Start(sinkId, latencyMs, timeoutMs, error);
}

uint64_t CPulsePlayer::PositionFrames() const
{
    if (m_ended)
        return m_endFrame;
    if (!m_running || !m_stream || !m_source)
        return m_startFrame;
    pa_usec_t played = 0;
    if (pa_stream_get_time(m_stream, &played) < 0)
        played = 0;
    uint64_t frames = played * m_source->SampleRate() / PA_USEC_PER_SEC;
    return m_startFrame + std::min(frames, m_writtenFrames);
}

void CPulsePlayer::SetVolume(int left, int right)
{
    m_volumeLeft = std::clamp(left, 0, 100);
    m_volumeRight = std::clamp(right, 0, 100);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        pa_cvolume volume = Volume();
        pa_operation* operation = pa_context_set_sink_input_volume(
            m_connection.Context(), pa_stream_get_index(m_stream), &volume, nullptr, nullptr);
        if (operation)
            pa_operation_unref(operation);
    }
}

void CPulsePlayer::GetLevels(int& left, int& right)
{
    left = right = 0;
    if (!m_running || !m_levelsEnabled)
        return;
    const uint64_t nowMs = MsOf(PositionFrames());
    m_meter.DropBefore(nowMs > 1000 ? nowMs - 1000 : 0);
    pa_cvolume volume = Volume();
    const double gainLeft = pa_sw_volume_to_linear(volume.values[0]);
    const double gainRight = pa_sw_volume_to_linear(volume.values[volume.channels > 1 ? 1 : 0]);
    m_meter.Get(nowMs, left, right, gainLeft, gainRight);
}

void CPulsePlayer::OnState(pa_stream* stream, void* self)
{
    auto* player = static_cast<CPulsePlayer*>(self);
    player->m_connection.Signal();
    if (stream != player->m_stream || PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        return;
    player->m_failure = player->m_connection.ErrorText("playback stopped");
    VY_LOG("%s", player->m_failure.c_str());
    player->Finish(false);
}

void CPulsePlayer::OnWrite(pa_stream* stream, size_t bytes, void* self)
{
    auto* player = static_cast<CPulsePlayer*>(self);
    if (stream == player->m_stream)
        player->Write(bytes);
}

void CPulsePlayer::Write(size_t bytes)
{
    if (m_sourceDone || !m_source)
        return;
    const uint32_t channels = m_source->Channels();
    const size_t frameBytes = channels * sizeof(int16_t);
    const size_t wanted = bytes / frameBytes;
    m_buffer.resize(std::max<size_t>(wanted, 1) * channels);
    const size_t got = wanted ? m_source->Read(m_buffer.data(), wanted) : 0;
    if (got > 0) {
        if (m_levelsEnabled)
            m_meter.Add(m_buffer.data(), got, channels, m_source->SampleRate(), MsOf(m_startFrame + m_writtenFrames));
        if (pa_stream_write(m_stream, m_buffer.data(), got * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            m_failure = m_connection.ErrorText("cannot write to the playback stream");
            Finish(false);
            return;
        }
        m_writtenFrames += got;
    }
    if (got < wanted) {
        // The source is exhausted: play out what the server holds.
        m_sourceDone = true;
        m_drain = pa_stream_drain(m_stream, &CPulsePlayer::OnDrained, this);
        if (!m_drain) {
            m_failure = m_connection.ErrorText("cannot finish the playback");
            Finish(false);
        }
    }
}

void CPulsePlayer::OnDrained(pa_stream* stream, int success, void* self)
{
    auto* player = static_cast<CPulsePlayer*>(self);
    if (stream != player->m_stream)
        return;
    if (player->m_drain) {
        pa_operation_unref(player->m_drain);
        player->m_drain = nullptr;
    }
    if (!success)
        player->m_failure = player->m_connection.ErrorText("playback stopped before its end");
    player->Finish(success != 0);
}

void CPulsePlayer::Finish(bool reachedEnd)
{
    if (!m_running)
        return;
    m_endFrame = reachedEnd ? m_startFrame + m_writtenFrames : PositionFrames();
    m_running = false;
    m_ended = true;
    m_meter.Reset();
    CloseStream();
    if (m_endHandler && (reachedEnd || !m_starting))
        m_endHandler(reachedEnd);
    m_connection.Signal();
}

}  // namespace vy
