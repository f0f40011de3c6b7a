#pragma once

#include "audio/LevelMeter.h"
#include "audio/PcmSource.h"
#include "audio/PulseConnection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vy {

// Plays a PCM source as one playback stream of a connection. Every call is
// made with the connection's lock held; the stream's callbacks run on the
// connection's thread.
class CPulsePlayer {
public:
    explicit CPulsePlayer(CPulseConnection& connection);
    ~CPulsePlayer();
    CPulsePlayer(const CPulsePlayer&) = delete;
    CPulsePlayer& operator=(const CPulsePlayer&) = delete;

    void SetSource(std::unique_ptr<IPcmSource> source);
    const IPcmSource* Source() const { return m_source.get(); }
    // Called on the connection's thread when a playback ends by itself:
    // reached the end (true) or lost its device or server (false).
    void SetEndHandler(std::function<void(bool reachedEnd)> handler) { m_endHandler = std::move(handler); }

    // Plays from the current start position to `sinkId` (empty: default).
    bool Start(const std::string& sinkId, uint32_t latencyMs, int timeoutMs, std::string& error);
    // Stops without reporting an end; the next Start begins at the start.
    void Stop();
    // Moves to `frame`; a running playback goes on from there.
    bool Seek(uint64_t frame, uint32_t latencyMs, int timeoutMs, std::string& error);

    bool IsRunning() const { return m_running; }
    bool HasEnded() const { return m_ended; }
    uint64_t PositionFrames() const;
    uint64_t TotalFrames() const { return m_source ? m_source->TotalFrames() : 0; }

    void SetVolume(int left, int right);
    void SetLevelsEnabled(bool enabled) { m_levelsEnabled = enabled; }
    void GetLevels(int& left, int& right);
    // Why the last playback ended early, if it did.
    const std::string& Failure() const { return m_failure; }

private:
    static void OnState(pa_stream* stream, void* self);
    static void OnWrite(pa_stream* stream, size_t bytes, void* self);
    static void OnDrained(pa_stream* stream, int success, void* self);
    void Write(size_t bytes);
    void CloseStream();
    void Finish(bool reachedEnd);
    pa_cvolume Volume() const;
    uint64_t MsOf(uint64_t frame) const;

    CPulseConnection& m_connection;
    std::unique_ptr<IPcmSource> m_source;
    std::function<void(bool)> m_endHandler;
    pa_stream* m_stream = nullptr;
    pa_operation* m_drain = nullptr;
    bool m_running = false;
    bool m_ended = false;
    bool m_sourceDone = false;
    bool m_levelsEnabled = true;
    bool m_starting = false;      // inside Start: a failure there is reported by Start alone
    std::string m_sinkOfStream;   // where the current stream plays
    uint64_t m_startFrame = 0;    // source frame where the current stream began
    uint64_t m_writtenFrames = 0;  // frames handed to the current stream
    uint64_t m_endFrame = 0;      // position once the playback has ended
    int m_volumeLeft = 100;
    int m_volumeRight = 100;
    std::string m_failure;
    CLevelMeter m_meter;
    std::vector<int16_t> m_buffer;
};

}  // namespace vy
