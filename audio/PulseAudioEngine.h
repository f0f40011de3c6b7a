#pragma once

#include "audio/AudioEngine.h"
#include "audio/PulseConnection.h"
#include "audio/PulsePlayer.h"
#include "audio/PulseRecorder.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vy {

// The audio engine on the PulseAudio server (or PipeWire's pulse server).
// A player or a recorder depending on what is opened.
class CPulseAudioEngine final : public IAudioEngine {
public:
    static constexpr int kDefaultTimeoutMs = 2000;
    static constexpr int kDefaultBitrate = 192;
    static constexpr int kDefaultLatencyMs = 100;

    CPulseAudioEngine() = default;
    // Starts the engine's thread; false when it cannot.
    bool Initialise();

    bool SetOption(int id, int value) override;
    std::string GetErrorText() const override;
    int GetOutputDeviceCount() override;
    bool GetOutputDeviceInfo(int index, AudioDeviceInfo& info) override;
    bool SelectOutputDevice(int index) override;
    bool Open(const std::string& source, int timeoutMs) override;
    bool OpenMemory(const void* bytes, size_t length, int format) override;
    bool GetStreamInfo(AudioStreamInfo& info) override;
    bool Start() override;
    bool Seek(int mode, uint32_t value) override;
    bool Stop() override;
    bool GetPosition(AudioPosition& position) override;
    bool SetVolume(int left, int right) override;
    bool GetStatus(AudioStatus& status) override;
    bool GetLevels(int& left, int& right) override;
    bool SetNotify(AudioNotifyCallback callback, uint32_t codes, void* user) override;
    void Release() override;
    int GetInputDeviceCount() override;
    bool GetInputDeviceInfo(int index, AudioDeviceInfo& info) override;
    bool SelectInputDevice(int index) override;
    bool OpenOutput(const std::string& path, int format, int flags) override;

private:
    ~CPulseAudioEngine() override;

    bool Fail(const std::string& text);
    void ClearError();
    bool Connect(int timeoutMs);
    bool OpenPlayer(std::unique_ptr<IPcmSource> source, const std::string& what);
    bool OpenRecorder(const std::string& source, int timeoutMs);
    void OnPlaybackEnd(bool reachedEnd);
    bool RefreshOutputs();
    bool RefreshInputs();
    uint32_t RecordedMs() const;

    CPulseConnection m_connection;
    std::unique_ptr<CPulsePlayer> m_player;
    std::unique_ptr<CPulseRecorder> m_recorder;
    std::vector<AudioDeviceInfo> m_outputs;
    std::vector<AudioDeviceInfo> m_inputs;
    std::string m_outputId;  // empty: the server's default
    std::string m_inputId;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_inputVolume = 100;
    bool m_notifyEnd = true;
    bool m_levels = true;
    int m_bitrate = kDefaultBitrate;
    int m_latencyMs = kDefaultLatencyMs;
    int m_volumeLeft = 100;
    int m_volumeRight = 100;
    AudioNotifyCallback m_callback = nullptr;
    uint32_t m_codes = 0;
    void* m_user = nullptr;

    mutable std::mutex m_errorMutex;
    std::string m_error;
};

}  // namespace vy
