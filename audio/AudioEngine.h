#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vy {

// The audio engine: one object plays a file or a memory image to an output
// device, or records an input device into an MP3 file. Operations are listed
// in the order callers know them. Every failing operation leaves a readable
// text in GetErrorText().
//
// Threading: every operation may be called from any thread. The notification
// callback runs on the engine's own thread; it may call the engine's other
// operations, but not Release().

// The code reported once when a playback reaches its end (or is cut off by a
// lost device or server, so that a caller waiting for the end never hangs).
constexpr uint32_t kAudioNotifyPlaybackEnd = 0x10000;

// The recorder's source text: the selected input device.
constexpr const char* kAudioLineInSource = "wavein://src=line;volume=100;";

// OpenMemory formats.
constexpr int kAudioFormatMp3 = 1;
constexpr int kAudioFormatWave = 3;
constexpr int kAudioFormatDetect = 1000;  // by content

// OpenOutput formats.
constexpr int kAudioOutputMp3 = 1;

// Seek modes.
constexpr int kAudioSeekPosition = 1;  // value in units of AudioPosition::position (ms)
constexpr int kAudioSeekProgress = 2;  // value in progress units (whole seconds from the start)

// SetOption ids.
constexpr int kAudioOptionInputVolume = 1;  // recorder gain, percent of the captured level (0-100)
constexpr int kAudioOptionNotifyEnd = 2;    // 1: report the end of playback (default 1)
constexpr int kAudioOptionLevels = 3;       // 1: measure levels (default 1)
constexpr int kAudioOptionMp3Bitrate = 4;   // recording bitrate in kbps (default 192)
constexpr int kAudioOptionLatencyMs = 5;    // stream buffer length in ms (default 100)

struct AudioDeviceInfo {
    std::string name;  // what the user sees, and what device names are matched against
    std::string id;    // the sound server's own name of the device
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    bool monitor = false;  // an input that captures an output device's mix
};

// The fields keep the order of the record callers were written against.
struct AudioStreamInfo {
    uint32_t unitsPerSecond = 0;    // units of AudioPosition::position per second (1000)
    uint32_t progressRange = 0;     // progress positions run 1..progressRange (whole seconds, at least 1)
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t totalSeconds = 0;      // length in whole seconds, rounded down
    uint32_t positionPollable = 0;  // 1: GetPosition follows the playback
    uint32_t bitrateKbps = 0;       // average
    uint32_t totalHours = 0;
    uint32_t totalMinutes = 0;
    uint32_t totalSecondsOfMinute = 0;
    uint32_t totalMs = 0;
    uint32_t format = 0;  // kAudioFormatMp3 or kAudioFormatWave
};

struct AudioPosition {
    uint32_t live = 0;              // 1 while playing or recording
    uint32_t progressPosition = 0;  // the second being played, counted from 1; 0 when not live
    uint32_t position = 0;          // ms from the start (AudioStreamInfo::unitsPerSecond per second)
    uint32_t hours = 0;             // the position as elapsed time
    uint32_t minutes = 0;
    uint32_t seconds = 0;
};

struct AudioStatus {
    uint32_t running = 0;       // playing or recording now
    uint32_t sourceLoaded = 0;  // a file, memory image or input is open
    uint32_t ended = 0;         // the last playback reached its end
    uint32_t recorder = 0;      // the engine records
    uint32_t outputOpen = 0;    // a recording file is open
    uint32_t volumeLeft = 0;
    uint32_t volumeRight = 0;
};

class IAudioEngine;
// engine, user value, code, and two values that are 0 for the end of playback.
using AudioNotifyCallback = void (*)(IAudioEngine* engine, void* user, uint32_t code, uintptr_t param1,
                                     uintptr_t param2);

class IAudioEngine {
public:
    IAudioEngine() = default;
    IAudioEngine(const IAudioEngine&) = delete;
    IAudioEngine& operator=(const IAudioEngine&) = delete;

    virtual bool SetOption(int id, int value) = 0;
    virtual std::string GetErrorText() const = 0;

    // Output devices. Count is -1 when the sound server cannot be reached.
    virtual int GetOutputDeviceCount() = 0;
    virtual bool GetOutputDeviceInfo(int index, AudioDeviceInfo& info) = 0;
    virtual bool SelectOutputDevice(int index) = 0;

    // A file path (MP3 or WAV) to play, or kAudioLineInSource to record.
    // timeoutMs bounds the wait for the sound server.
    virtual bool Open(const std::string& source, int timeoutMs) = 0;
    // An MP3 or WAV image; the bytes are copied.
    virtual bool OpenMemory(const void* bytes, size_t length, int format) = 0;
    virtual bool GetStreamInfo(AudioStreamInfo& info) = 0;
    virtual bool Start() = 0;
    virtual bool Seek(int mode, uint32_t value) = 0;
    virtual bool Stop() = 0;
    virtual bool GetPosition(AudioPosition& position) = 0;
    // Percent, 0 to 100, on the sound server's volume scale.
    virtual bool SetVolume(int left, int right) = 0;
    virtual bool GetStatus(AudioStatus& status) = 0;
    // Peak levels of what is heard (or captured) now, 0 to 100.
    virtual bool GetLevels(int& left, int& right) = 0;
    // `codes` selects the codes reported (kAudioNotifyPlaybackEnd).
    virtual bool SetNotify(AudioNotifyCallback callback, uint32_t codes, void* user) = 0;
    // Stops, finishes a recording file and destroys the engine.
    virtual void Release() = 0;

    // Input devices: real inputs first, then the monitors of outputs.
    virtual int GetInputDeviceCount() = 0;
    virtual bool GetInputDeviceInfo(int index, AudioDeviceInfo& info) = 0;
    virtual bool SelectInputDevice(int index) = 0;
    // The MP3 file a recorder writes as it records (replaced if it exists).
    virtual bool OpenOutput(const std::string& path, int format, int flags) = 0;

protected:
    virtual ~IAudioEngine() = default;
};

// A new engine, or null when none can be made (no memory, no thread).
IAudioEngine* CreateAudioEngine();

struct AudioEngineReleaser {
    void operator()(IAudioEngine* engine) const
    {
        if (engine)
            engine->Release();
    }
};
using AudioEnginePtr = std::unique_ptr<IAudioEngine, AudioEngineReleaser>;

// True when `deviceName` contains `part`, ignoring ASCII case.
bool AudioDeviceNameMatches(const std::string& deviceName, const std::string& part);

}  // namespace vy
