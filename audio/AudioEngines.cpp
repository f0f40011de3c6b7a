#include "audio/AudioEngines.h"

#include "audio/EventPlaybackMsg.h"
#include "base/Log.h"

namespace vy {
namespace {

constexpr int kOpenTimeoutMs = 1000;

// Selects the first device whose name contains `deviceName`.
bool SelectByName(IAudioEngine& engine, const std::string& deviceName, bool output, std::string& error)
{
    const int count = output ? engine.GetOutputDeviceCount() : engine.GetInputDeviceCount();
    if (count < 0) {
        error = engine.GetErrorText();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        AudioDeviceInfo info;
        bool ok = output ? engine.GetOutputDeviceInfo(i, info) : engine.GetInputDeviceInfo(i, info);
        if (!ok || !AudioDeviceNameMatches(info.name, deviceName))
            continue;
        if (!(output ? engine.SelectOutputDevice(i) : engine.SelectInputDevice(i))) {
            error = engine.GetErrorText();
            return false;
        }
        return true;
    }
    error = std::string("no ") + (output ? "output" : "input") + " device whose name contains \"" + deviceName +
            "\" (" + std::to_string(count) + (count == 1 ? " device)" : " devices)");
    return false;
}

}  // namespace

CAudioEngines::CAudioEngines(SNotifyCenter* center) : m_center(center) {}

CAudioEngines::~CAudioEngines()
{
    m_worker.Stop(60000);
    zan_util::CAutoLock lock(m_lock);
    m_player.reset();
    m_recorder.reset();
}

void CAudioEngines::OnEngineNotify(IAudioEngine*, void* user, uint32_t code, uintptr_t, uintptr_t)
{
    auto* engines = static_cast<CAudioEngines*>(user);
    if (code == kAudioNotifyPlaybackEnd && engines->m_center)
        engines->m_center->Post(std::make_shared<EventPlaybackMsg>(engines, code));
}

AudioEnginePtr CAudioEngines::MakePlayer(const std::string& deviceName, const Opener& open, std::string& error)
{
    AudioEnginePtr player(CreateAudioEngine());
    if (!player) {
        error = "cannot create the audio engine";
        return nullptr;
    }
    player->SetOption(kAudioOptionNotifyEnd, 1);
    player->SetOption(kAudioOptionLevels, 1);
    if (!deviceName.empty() && !SelectByName(*player, deviceName, true, error))
        return nullptr;
    player->SetNotify(&CAudioEngines::OnEngineNotify, kAudioNotifyPlaybackEnd, this);
    if (!open(*player)) {
        error = player->GetErrorText();
        return nullptr;
    }
    return player;
}

bool CAudioEngines::InstallPlayer(AudioEnginePtr player, const std::string& deviceName, const std::string& source,
                                  const std::string& error)
{
    zan_util::CAutoLock lock(m_lock);
    m_deviceName = deviceName;
    m_source = source;
    m_error = error;
    if (!player) {
        VY_LOG("cannot open the player: %s", error.c_str());
        return false;
    }
    m_player = std::move(player);
    return true;
}

bool CAudioEngines::OpenPlayer(const std::string& deviceName, const std::string& source)
{
    ReleasePlayer();
    std::string error;
    AudioEnginePtr player = MakePlayer(
        deviceName, [&source](IAudioEngine& engine) { return engine.Open(source, kOpenTimeoutMs); }, error);
    return InstallPlayer(std::move(player), deviceName, source, error);
}

bool CAudioEngines::OpenPlayerMemory(const std::string& deviceName, const void* bytes, size_t length, int format)
{
    ReleasePlayer();
    std::string error;
    AudioEnginePtr player = MakePlayer(
        deviceName,
        [bytes, length, format](IAudioEngine& engine) { return engine.OpenMemory(bytes, length, format); }, error);
    return InstallPlayer(std::move(player), deviceName, std::string(), error);
}

bool CAudioEngines::OpenPlayerAsync(const std::string& deviceName, const std::string& source,
                                    std::function<void(bool)> done)
{
    {
        zan_util::CAutoLock lock(m_lock);
        if (m_loading)
            return false;
        m_loading = true;
    }
    ReleasePlayer();
    m_worker.Stop(60000);  // an earlier load has ended; collect its thread
    m_worker.task = [this, deviceName, source, done = std::move(done)] {
        std::string error;
        AudioEnginePtr player = MakePlayer(
            deviceName, [&source](IAudioEngine& engine) { return engine.Open(source, kOpenTimeoutMs); }, error);
        bool ok = InstallPlayer(std::move(player), deviceName, source, error);
        {
            zan_util::CAutoLock lock(m_lock);
            m_loading = false;
        }
        if (done)
            done(ok);
    };
    if (!m_worker.Start()) {
        zan_util::CAutoLock lock(m_lock);
        m_loading = false;
        m_error = "cannot start the loading thread";
        return false;
    }
    return true;
}

bool CAudioEngines::IsLoading() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_loading;
}

bool CAudioEngines::OpenRecorder(const std::string& deviceName, const std::string& recordFile)
{
    ReleaseRecorder();
    std::string error;
    AudioEnginePtr recorder(CreateAudioEngine());
    bool ok = false;
    if (!recorder) {
        error = "cannot create the audio engine";
    } else if (recorder->SetOption(kAudioOptionInputVolume, 100) &&
               (deviceName.empty() || SelectByName(*recorder, deviceName, false, error)) &&
               recorder->Open(kAudioLineInSource, kOpenTimeoutMs) &&
               recorder->OpenOutput(recordFile, kAudioOutputMp3, 0)) {
        ok = true;
    } else if (error.empty()) {
        error = recorder->GetErrorText();
    }
    zan_util::CAutoLock lock(m_lock);
    m_deviceName = deviceName;
    m_source = kAudioLineInSource;
    if (!ok) {
        m_error = error;
        VY_LOG("cannot open the recorder: %s", error.c_str());
        return false;
    }
    m_error.clear();
    m_recorder = std::move(recorder);
    return true;
}

IAudioEngine* CAudioEngines::Player() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_player.get();
}

IAudioEngine* CAudioEngines::Recorder() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_recorder.get();
}

void CAudioEngines::ReleasePlayer()
{
    AudioEnginePtr player;
    {
        zan_util::CAutoLock lock(m_lock);
        player = std::move(m_player);
    }
    if (player)
        player->Stop();
}

void CAudioEngines::ReleaseRecorder()
{
    AudioEnginePtr recorder;
    {
        zan_util::CAutoLock lock(m_lock);
        recorder = std::move(m_recorder);
    }
    if (recorder)
        recorder->Stop();
}

std::string CAudioEngines::LastErrorText() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_error;
}

std::string CAudioEngines::DeviceName() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_deviceName;
}

std::string CAudioEngines::Source() const
{
    zan_util::CAutoLock lock(m_lock);
    return m_source;
}

}  // namespace vy
