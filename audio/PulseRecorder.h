#pragma once

#include "audio/LevelMeter.h"
#include "audio/Mp3Encoder.h"
#include "audio/PulseConnection.h"

#include <string>
#include <vector>

namespace vy {

// Records one input of a connection into an MP3 file, encoding as the
// sound arrives. Every call is made with the connection's lock held.
class CPulseRecorder {
public:
    static constexpr uint32_t kSampleRate = 44100;
    static constexpr uint32_t kChannels = 2;
    static constexpr uint32_t kFragmentMs = 20;  // short, so that stopping loses no tail

    explicit CPulseRecorder(CPulseConnection& connection);
    ~CPulseRecorder();  // stops and finishes the file
    CPulseRecorder(const CPulseRecorder&) = delete;
    CPulseRecorder& operator=(const CPulseRecorder&) = delete;

    bool OpenOutput(const std::string& path, uint32_t kbps, std::string& error);
    bool HasOutput() const { return m_encoder.IsOpen(); }
    // Records from `sourceId` (empty: the default input).
    bool Start(const std::string& sourceId, int timeoutMs, std::string& error);
    // Stops and finishes the file; false when the file could not be finished.
    bool Stop(std::string& error);

    // Gain in percent of the captured level, per channel.
    void SetGain(int left, int right);
    int GainLeft() const { return m_gainLeft; }
    int GainRight() const { return m_gainRight; }
    void SetLevelsEnabled(bool enabled) { m_levelsEnabled = enabled; }

    bool IsRunning() const { return m_running; }
    uint64_t RecordedFrames() const { return m_recordedFrames; }
    void GetLevels(int& left, int& right) const;
    // Why the recording ended early, if it did.
    const std::string& Failure() const { return m_failure; }

private:
    static void OnState(pa_stream* stream, void* self);
    static void OnRead(pa_stream* stream, size_t bytes, void* self);
    void ReadAvailable();
    bool Consume(int16_t* samples, size_t frames);
    void CloseStream();
    void Fail(const std::string& reason);

    CPulseConnection& m_connection;
    CMp3Encoder m_encoder;
    pa_stream* m_stream = nullptr;
    bool m_running = false;
    bool m_levelsEnabled = true;
    int m_gainLeft = 100;
    int m_gainRight = 100;
    uint64_t m_recordedFrames = 0;
    std::string m_failure;
    CLevelMeter m_meter;
    std::vector<int16_t> m_scratch;
};

}  // namespace vy
