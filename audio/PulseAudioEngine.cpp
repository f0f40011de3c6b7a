#include "audio/PulseAudioEngine.h"

#include "audio/ByteSource.h"
#include "base/Log.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <cstdlib>

namespace vy {
namespace {

constexpr const char* kLineInScheme = "wavein://";
constexpr int kBitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

void FillClock(uint32_t ms, uint32_t& hours, uint32_t& minutes, uint32_t& seconds)
{
    const uint32_t total = ms / 1000;
    hours = total / 3600;
    minutes = total % 3600 / 60;
    seconds = total % 60;
}

// The second being played, counted from 1, so that a live position is
// never 0; at most the progress range.
uint32_t ProgressOf(uint32_t positionMs, uint32_t range)
{
    return std::min(positionMs / 1000 + 1, std::max<uint32_t>(range, 1));
}

uint32_t RangeOf(uint64_t totalMs)
{
    return static_cast<uint32_t>(std::max<uint64_t>(1, (totalMs + 999) / 1000));
}

}  // namespace

IAudioEngine* CreateAudioEngine()
{
    auto* engine = new (std::nothrow) CPulseAudioEngine();
    if (!engine)
        return nullptr;
    // Without its thread the engine could do nothing at all.
    if (!engine->Initialise()) {
        engine->Release();
        return nullptr;
    }
    return engine;
}

bool AudioDeviceNameMatches(const std::string& deviceName, const std::string& part)
{
    auto lower = [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    std::string name, wanted;
    std::transform(deviceName.begin(), deviceName.end(), std::back_inserter(name), lower);
    std::transform(part.begin(), part.end(), std::back_inserter(wanted), lower);
    return name.find(wanted) != std::string::npos;
}

bool CPulseAudioEngine::Initialise()
{
    std::string error;
    return m_connection.Start(error) || Fail(error);
}

CPulseAudioEngine::~CPulseAudioEngine()
{
    CPulseLock lock(m_connection);
    m_player.reset();
    m_recorder.reset();  // finishes a recording file
}

void CPulseAudioEngine::Release()
{
    if (m_connection.InLoopThread()) {
        // The engine's thread cannot end itself; the caller broke the rule.
        VY_LOG("Release called on the engine's own thread; engine kept");
        return;
    }
    delete this;
}

bool CPulseAudioEngine::Fail(const std::string& text)
{
    {
        std::lock_guard<std::mutex> guard(m_errorMutex);
        m_error = text;
    }
    VY_LOG("%s", text.c_str());
    return false;
}

void CPulseAudioEngine::ClearError()
{
    std::lock_guard<std::mutex> guard(m_errorMutex);
    m_error.clear();
}

std::string CPulseAudioEngine::GetErrorText() const
{
    std::lock_guard<std::mutex> guard(m_errorMutex);
    return m_error;
}

bool CPulseAudioEngine::SetOption(int id, int value)
{
    CPulseLock lock(m_connection);
    switch (id) {
    case kAudioOptionInputVolume:
        if (value < 0 || value > 100)
            return Fail("input volume " + std::to_string(value) + " is outside 0 to 100");
        m_inputVolume = value;
        if (m_recorder)
            m_recorder->SetGain(value, value);
        return true;
    case kAudioOptionNotifyEnd:
        m_notifyEnd = value != 0;
        return true;
    case kAudioOptionLevels:
        m_levels = value != 0;
        if (m_player)
            m_player->SetLevelsEnabled(m_levels);
        if (m_recorder)
            m_recorder->SetLevelsEnabled(m_levels);
        return true;
    case kAudioOptionMp3Bitrate:
        if (std::find(std::begin(kBitrates), std::end(kBitrates), value) == std::end(kBitrates))
            return Fail("MP3 bitrate " + std::to_string(value) + " kbps is not one MP3 knows");
        m_bitrate = value;
        return true;
    case kAudioOptionLatencyMs:
        if (value < 10 || value > 2000)
            return Fail("latency " + std::to_string(value) + " ms is outside 10 to 2000");
        m_latencyMs = value;
        return true;
    default:
        return Fail("unknown engine option " + std::to_string(id));
    }
}

bool CPulseAudioEngine::Connect(int timeoutMs)
{
    std::string error;
    if (m_connection.Connect(timeoutMs > 0 ? timeoutMs : m_timeoutMs, error))
        return true;
    return Fail(error);
}

bool CPulseAudioEngine::RefreshOutputs()
{
    std::string error;
    if (!Connect(m_timeoutMs))
        return false;
    if (!m_connection.ListOutputs(m_outputs, m_timeoutMs, error))
        return Fail(error);
    return true;
}

bool CPulseAudioEngine::RefreshInputs()
{
    std::string error;
    if (!Connect(m_timeoutMs))
        return false;
    if (!m_connection.ListInputs(m_inputs, m_timeoutMs, error))
        return Fail(error);
    return true;
}

int CPulseAudioEngine::GetOutputDeviceCount()
{
    CPulseLock lock(m_connection);
    return RefreshOutputs() ? static_cast<int>(m_outputs.size()) : -1;
}

bool CPulseAudioEngine::GetOutputDeviceInfo(int index, AudioDeviceInfo& info)
{
    CPulseLock lock(m_connection);
    if (m_outputs.empty() && !RefreshOutputs())
        return false;
    if (index < 0 || static_cast<size_t>(index) >= m_outputs.size())
        return Fail("no output device " + std::to_string(index) + " (there are " + std::to_string(m_outputs.size()) +
                    ")");
    info = m_outputs[static_cast<size_t>(index)];
    return true;
}

bool CPulseAudioEngine::SelectOutputDevice(int index)
{
    CPulseLock lock(m_connection);
    if (index == -1) {
        m_outputId.clear();
        return true;
    }
    if (m_outputs.empty() && !RefreshOutputs())
        return false;
    if (index < 0 || static_cast<size_t>(index) >= m_outputs.size())
        return Fail("no output device " + std::to_string(index) + " (there are " + std::to_string(m_outputs.size()) +
                    ")");
    m_outputId = m_outputs[static_cast<size_t>(index)].id;
    return true;
}

int CPulseAudioEngine::GetInputDeviceCount()
{
    CPulseLock lock(m_connection);
    return RefreshInputs() ? static_cast<int>(m_inputs.size()) : -1;
}

bool CPulseAudioEngine::GetInputDeviceInfo(int index, AudioDeviceInfo& info)
{
    CPulseLock lock(m_connection);
    if (m_inputs.empty() && !RefreshInputs())
        return false;
    if (index < 0 || static_cast<size_t>(index) >= m_inputs.size())
        return Fail("no input device " + std::to_string(index) + " (there are " + std::to_string(m_inputs.size()) +
                    ")");
    info = m_inputs[static_cast<size_t>(index)];
    return true;
}

bool CPulseAudioEngine::SelectInputDevice(int index)
{
    CPulseLock lock(m_connection);
    if (index == -1) {
        m_inputId.clear();
        return true;
    }
    if (m_inputs.empty() && !RefreshInputs())
        return false;
    if (index < 0 || static_cast<size_t>(index) >= m_inputs.size())
        return Fail("no input device " + std::to_string(index) + " (there are " + std::to_string(m_inputs.size()) +
                    ")");
    m_inputId = m_inputs[static_cast<size_t>(index)].id;
    return true;
}

bool CPulseAudioEngine::Open(const std::string& source, int timeoutMs)
{
    if (timeoutMs > 0)
        m_timeoutMs = timeoutMs;
    if (source.empty())
        return Fail("nothing to open: the source is empty");
    if (source.rfind(kLineInScheme, 0) == 0) {
        CPulseLock lock(m_connection);
        return OpenRecorder(source, timeoutMs);
    }
    if (source.find("://") != std::string::npos)
        return Fail("unsupported source " + source);
    // Reading the file's frames can take a moment for a long recording: do
    // it before taking the engine's lock.
    std::string error;
    std::unique_ptr<IByteSource> bytes = OpenFileBytes(source, error);
    if (!bytes)
        return Fail(error);
    std::unique_ptr<IPcmSource> pcm = OpenPcmSource(std::move(bytes), kAudioFormatDetect, error);
    if (!pcm)
        return Fail("cannot play " + source + ": " + error);
    CPulseLock lock(m_connection);
    return OpenPlayer(std::move(pcm), source);
}

bool CPulseAudioEngine::OpenMemory(const void* bytes, size_t length, int format)
{
    if (!bytes || length == 0)
        return Fail("cannot play an empty sound");
    std::string error;
    std::unique_ptr<IPcmSource> pcm = OpenPcmSource(CopyMemoryBytes(bytes, length), format, error);
    if (!pcm)
        return Fail("cannot play the sound in memory: " + error);
    CPulseLock lock(m_connection);
    return OpenPlayer(std::move(pcm), "the sound in memory");
}

bool CPulseAudioEngine::OpenPlayer(std::unique_ptr<IPcmSource> source, const std::string& what)
{
    if (!Connect(m_timeoutMs))
        return false;
    if (m_recorder) {
        std::string error;
        if (!m_recorder->Stop(error))
            Fail(error);
        m_recorder.reset();
    }
    if (!m_player) {
        m_player = std::make_unique<CPulsePlayer>(m_connection);
        m_player->SetEndHandler([this](bool reachedEnd) { OnPlaybackEnd(reachedEnd); });
    }
    if (source->TotalFrames() == 0)
        VY_LOG("%s holds no samples", what.c_str());
    m_player->SetSource(std::move(source));
    m_player->SetVolume(m_volumeLeft, m_volumeRight);
    m_player->SetLevelsEnabled(m_levels);
    ClearError();
    return true;
}

bool CPulseAudioEngine::OpenRecorder(const std::string& source, int timeoutMs)
{
    // "wavein://key=value;key=value;": src names the input (we record the
    // selected one), volume is the gain in percent.
    int volume = m_inputVolume;
    std::string rest = source.substr(std::char_traits<char>::length(kLineInScheme));
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find(';', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string item = rest.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        size_t equals = item.find('=');
        std::string key = item.substr(0, equals);
        std::string value = equals == std::string::npos ? "" : item.substr(equals + 1);
        if (key == "volume") {
            char* endOfNumber = nullptr;
            long parsed = std::strtol(value.c_str(), &endOfNumber, 10);
            if (value.empty() || *endOfNumber || parsed < 0 || parsed > 100)
                return Fail("bad volume in " + source + " (0 to 100)");
            volume = static_cast<int>(parsed);
        } else if (key != "src") {
            VY_LOG("ignoring %s in %s", key.c_str(), source.c_str());
        }
    }
    if (!Connect(timeoutMs))
        return false;
    if (!m_inputId.empty()) {
        if (!RefreshInputs())
            return false;
        bool present = std::any_of(m_inputs.begin(), m_inputs.end(),
                                   [this](const AudioDeviceInfo& input) { return input.id == m_inputId; });
        if (!present)
            return Fail("the selected input device " + m_inputId + " is gone");
    }
    m_player.reset();
    if (!m_recorder)
        m_recorder = std::make_unique<CPulseRecorder>(m_connection);
    m_inputVolume = volume;
    m_recorder->SetGain(volume, volume);
    m_recorder->SetLevelsEnabled(m_levels);
    ClearError();
    return true;
}

bool CPulseAudioEngine::OpenOutput(const std::string& path, int format, int)
{
    CPulseLock lock(m_connection);
    if (!m_recorder)
        return Fail("open the input before the recording file");
    if (format != kAudioOutputMp3)
        return Fail("recording format " + std::to_string(format) + " is not supported (MP3 only)");
    std::string error;
    if (!m_recorder->OpenOutput(path, static_cast<uint32_t>(m_bitrate), error))
        return Fail(error);
    return true;
}

bool CPulseAudioEngine::Start()
{
    CPulseLock lock(m_connection);
    std::string error;
    if (m_player) {
        if (!Connect(m_timeoutMs))
            return false;
        if (!m_player->Start(m_outputId, static_cast<uint32_t>(m_latencyMs), m_timeoutMs, error))
            return Fail(error);
        return true;
    }
    if (m_recorder) {
        if (!Connect(m_timeoutMs))
            return false;
        if (!m_recorder->Start(m_inputId, m_timeoutMs, error))
            return Fail(error);
        return true;
    }
    return Fail("nothing is open to start");
}

bool CPulseAudioEngine::Seek(int mode, uint32_t value)
{
    CPulseLock lock(m_connection);
    if (!m_player || !m_player->Source())
        return Fail("no sound is open to seek in");
    uint64_t ms;
    if (mode == kAudioSeekProgress)
        ms = uint64_t(value) * 1000;
    else if (mode == kAudioSeekPosition)
        ms = value;
    else
        return Fail("unknown seek mode " + std::to_string(mode));
    const uint64_t frame = ms * m_player->Source()->SampleRate() / 1000;
    std::string error;
    if (!m_player->Seek(frame, static_cast<uint32_t>(m_latencyMs), m_timeoutMs, error))
        return Fail(error);
    return true;
}

bool CPulseAudioEngine::Stop()
{
    CPulseLock lock(m_connection);
    if (m_player) {
        m_player->Stop();
        return true;
    }
    if (m_recorder) {
        std::string error;
        if (!m_recorder->Stop(error))
            return Fail(error);
        return true;
    }
    return true;
}

uint32_t CPulseAudioEngine::RecordedMs() const
{
    return static_cast<uint32_t>(m_recorder->RecordedFrames() * 1000 / CPulseRecorder::kSampleRate);
}

bool CPulseAudioEngine::GetStreamInfo(AudioStreamInfo& info)
{
    CPulseLock lock(m_connection);
    info = AudioStreamInfo{};
    info.unitsPerSecond = 1000;
    uint64_t totalMs = 0;
    if (m_player && m_player->Source()) {
        const IPcmSource& source = *m_player->Source();
        totalMs = source.SampleRate() ? source.TotalFrames() * 1000 / source.SampleRate() : 0;
        info.sampleRate = source.SampleRate();
        info.channels = source.Channels();
        info.bitrateKbps = source.BitrateKbps();
        info.format = static_cast<uint32_t>(source.FormatCode());
    } else if (m_recorder) {
        totalMs = RecordedMs();
        info.sampleRate = CPulseRecorder::kSampleRate;
        info.channels = CPulseRecorder::kChannels;
        info.bitrateKbps = static_cast<uint32_t>(m_bitrate);
        info.format = kAudioFormatMp3;
    } else {
        return Fail("nothing is open");
    }
    totalMs = std::min<uint64_t>(totalMs, UINT32_MAX);
    info.totalMs = static_cast<uint32_t>(totalMs);
    info.totalSeconds = info.totalMs / 1000;
    info.progressRange = RangeOf(totalMs);
    info.positionPollable = 1;
    FillClock(info.totalMs, info.totalHours, info.totalMinutes, info.totalSecondsOfMinute);
    return true;
}

bool CPulseAudioEngine::GetPosition(AudioPosition& position)
{
    CPulseLock lock(m_connection);
    position = AudioPosition{};
    uint32_t ms = 0;
    uint32_t range = 1;
    bool live = false;
    if (m_player && m_player->Source()) {
        const uint32_t rate = m_player->Source()->SampleRate();
        ms = static_cast<uint32_t>(std::min<uint64_t>(m_player->PositionFrames() * 1000 / rate, UINT32_MAX));
        range = RangeOf(m_player->TotalFrames() * 1000 / rate);
        live = m_player->IsRunning();
    } else if (m_recorder) {
        ms = RecordedMs();
        range = RangeOf(ms);
        live = m_recorder->IsRunning();
    } else {
        return Fail("nothing is open");
    }
    position.live = live ? 1 : 0;
    position.progressPosition = live ? ProgressOf(ms, range) : 0;
    position.position = ms;
    FillClock(ms, position.hours, position.minutes, position.seconds);
    return true;
}

bool CPulseAudioEngine::SetVolume(int left, int right)
{
    CPulseLock lock(m_connection);
    if (left < 0 || left > 100 || right < 0 || right > 100)
        return Fail("volume " + std::to_string(left) + "/" + std::to_string(right) + " is outside 0 to 100");
    m_volumeLeft = left;
    m_volumeRight = right;
    if (m_player)
        m_player->SetVolume(left, right);
    if (m_recorder)
        m_recorder->SetGain(left, right);
    return true;
}

bool CPulseAudioEngine::GetStatus(AudioStatus& status)
{
    CPulseLock lock(m_connection);
    status = AudioStatus{};
    status.volumeLeft = static_cast<uint32_t>(m_volumeLeft);
    status.volumeRight = static_cast<uint32_t>(m_volumeRight);
    if (m_player) {
        status.running = m_player->IsRunning();
        status.sourceLoaded = m_player->Source() != nullptr;
        status.ended = m_player->HasEnded();
    } else if (m_recorder) {
        status.recorder = 1;
        status.running = m_recorder->IsRunning();
        status.sourceLoaded = 1;
        status.outputOpen = m_recorder->HasOutput();
        status.volumeLeft = static_cast<uint32_t>(m_recorder->GainLeft());
        status.volumeRight = static_cast<uint32_t>(m_recorder->GainRight());
    }
    return true;
}

bool CPulseAudioEngine::GetLevels(int& left, int& right)
{
    CPulseLock lock(m_connection);
    left = right = 0;
    if (m_player)
        m_player->GetLevels(left, right);
    else if (m_recorder)
        m_recorder->GetLevels(left, right);
    return true;
}

bool CPulseAudioEngine::SetNotify(AudioNotifyCallback callback, uint32_t codes, void* user)
{
    CPulseLock lock(m_connection);
    m_callback = callback;
    m_codes = codes;
    m_user = user;
    return true;
}

void CPulseAudioEngine::OnPlaybackEnd(bool reachedEnd)
{
    if (!reachedEnd && m_player)
        Fail(m_player->Failure());
    if (m_notifyEnd && m_callback && (m_codes & kAudioNotifyPlaybackEnd))
        m_callback(this, m_user, kAudioNotifyPlaybackEnd, 0, 0);
}

}  // namespace vy
