#pragma once

#include "audio/AudioEngine.h"
#include "base/Lock.h"
#include "base/NotifyCenter.h"
#include "base/ThreadObject.h"

#include <functional>
#include <memory>
#include <string>

namespace vy {

// A page's audio engines: a player and a recorder, the device name and
// source they were opened with, and a worker thread that opens long files
// without blocking the UI. The end of a playback is posted as
// EventPlaybackMsg (payload: this holder and the code) to the notification
// center given at construction.
class CAudioEngines {
public:
    explicit CAudioEngines(SNotifyCenter* center = SNotifyCenter::Current());
    ~CAudioEngines();
    CAudioEngines(const CAudioEngines&) = delete;
    CAudioEngines& operator=(const CAudioEngines&) = delete;

    // Releases an earlier player, then makes a new one for the first output
    // device whose name contains `deviceName` (any device when empty) and
    // opens `source` (a file) in it. On failure the new player is released
    // and LastErrorText() says why.
    bool OpenPlayer(const std::string& deviceName, const std::string& source);
    bool OpenPlayerMemory(const std::string& deviceName, const void* bytes, size_t length, int format);
    // The same on the worker thread; `done` runs there with the result.
    // False (and `done` not called) when a load is still running.
    bool OpenPlayerAsync(const std::string& deviceName, const std::string& source, std::function<void(bool)> done);
    bool IsLoading() const;

    // Releases an earlier recorder, then makes a new one recording the first
    // input device whose name contains `deviceName` into `recordFile`.
    bool OpenRecorder(const std::string& deviceName, const std::string& recordFile);

    // Null when none is open. The pointers stay valid until the engine is
    // released through this holder.
    IAudioEngine* Player() const;
    IAudioEngine* Recorder() const;
    // Stops and releases.
    void ReleasePlayer();
    void ReleaseRecorder();

    // The error text of the last failed open, read before the engine went.
    std::string LastErrorText() const;
    std::string DeviceName() const;
    std::string Source() const;

private:
    class CWorker : public CThreadObject {
    public:
        CWorker() : CThreadObject("audio loader") {}
        ~CWorker() override { Stop(60000); }
        std::function<void()> task;

    protected:
        int Run() override
        {
            if (task)
                task();
            return 0;
        }
    };

    using Opener = std::function<bool(IAudioEngine&)>;
    AudioEnginePtr MakePlayer(const std::string& deviceName, const Opener& open, std::string& error);
    bool InstallPlayer(AudioEnginePtr player, const std::string& deviceName, const std::string& source,
                       const std::string& error);
    static void OnEngineNotify(IAudioEngine* engine, void* user, uint32_t code, uintptr_t param1, uintptr_t param2);

    SNotifyCenter* m_center;
    mutable zan_util::CLock m_lock;
    AudioEnginePtr m_player;
    AudioEnginePtr m_recorder;
    std::string m_deviceName;
    std::string m_source;
    std::string m_error;
    bool m_loading = false;
    CWorker m_worker;  // last: it ends before the rest goes
};

}  // namespace vy
