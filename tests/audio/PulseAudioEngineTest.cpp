#include "EngineTestSupport.h"

#include "audio/AudioEngine.h"
#include "audio/AudioEngines.h"
#include "audio/ByteSource.h"
#include "audio/LevelMeter.h"
#include "audio/Mp3Stream.h"
#include "audio/SystemVolume.h"
#include "base/SyncEvent.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vy::test {

// Every test program of this folder gets a sound server.
static ::testing::Environment* const g_pulse = ::testing::AddGlobalTestEnvironment(new CPulseTestEnvironment);

namespace {

using namespace std::chrono_literals;

// Counts end reports; remembers who reported and on which thread.
struct EndCounter {
    std::atomic<int> count{0};
    std::atomic<uint32_t> code{0};
    std::atomic<IAudioEngine*> engine{nullptr};
    std::atomic<bool> onCallerThread{false};
    std::thread::id caller = std::this_thread::get_id();
    CSyncEvent arrived{false, false};

    static void Callback(IAudioEngine* engine, void* user, uint32_t code, uintptr_t, uintptr_t)
    {
        auto* self = static_cast<EndCounter*>(user);
        self->code = code;
        self->engine = engine;
        if (std::this_thread::get_id() == self->caller)
            self->onCallerThread = true;
        // The engine may be asked about itself from here.
        AudioStatus status;
        engine->GetStatus(status);
        ++self->count;
        self->arrived.Set();
    }
};

int FindDevice(IAudioEngine& engine, bool output, const std::string& part)
{
    int count = output ? engine.GetOutputDeviceCount() : engine.GetInputDeviceCount();
    for (int i = 0; i < count; ++i) {
        AudioDeviceInfo info;
        if ((output ? engine.GetOutputDeviceInfo(i, info) : engine.GetInputDeviceInfo(i, info)) &&
            AudioDeviceNameMatches(info.name, part))
            return i;
    }
    return -1;
}

// A fresh null output has rendered its first two seconds ahead before a
// monitor stream asks for short blocks, so the monitor stays silent (no data
// at all) that long. Waits until the recording receives sound; its
// recorded position then.
uint32_t WaitUntilRecording(IAudioEngine& recorder)
{
    AudioPosition position;
    for (int i = 0; i < 400; ++i) {
        if (recorder.GetPosition(position) && position.position > 0)
            return position.position;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the recording receives nothing";
    return 0;
}

AudioEnginePtr MakeEngine()
{
    AudioEnginePtr engine(CreateAudioEngine());
    EXPECT_TRUE(engine);
    return engine;
}

class PulseAudioEngineTest : public ::testing::Test {
protected:
    AudioEnginePtr Player(const std::string& wavOrMp3, const std::string& outputPart = "PX40-Test")
    {
        AudioEnginePtr player = MakeEngine();
        int index = FindDevice(*player, true, outputPart);
        EXPECT_GE(index, 0) << player->GetErrorText();
        EXPECT_TRUE(player->SelectOutputDevice(index)) << player->GetErrorText();
        EXPECT_TRUE(player->OpenMemory(wavOrMp3.data(), wavOrMp3.size(), kAudioFormatDetect))
            << player->GetErrorText();
        return player;
    }
    CTempDir m_dir;
    // Outlives the engines of a test, whose threads report to it.
    EndCounter m_ends;
};

TEST_F(PulseAudioEngineTest, ListsTheServersDevices)
{
    AudioEnginePtr engine = MakeEngine();
    const int outputs = engine->GetOutputDeviceCount();
    ASSERT_GE(outputs, 1) << engine->GetErrorText();
    const int output = FindDevice(*engine, true, "px40-test");  // any case
    ASSERT_GE(output, 0);
    AudioDeviceInfo info;
    ASSERT_TRUE(engine->GetOutputDeviceInfo(output, info));
    EXPECT_EQ(info.name, "PX40-Test");
    EXPECT_EQ(info.id, "px40");
    EXPECT_FALSE(info.monitor);

    const int input = FindDevice(*engine, false, "PX40-Test");
    ASSERT_GE(input, 0) << engine->GetErrorText();
    ASSERT_TRUE(engine->GetInputDeviceInfo(input, info));
    EXPECT_EQ(info.id, "px40.monitor");
    EXPECT_TRUE(info.monitor);

    EXPECT_FALSE(engine->GetOutputDeviceInfo(outputs, info));
    EXPECT_NE(engine->GetErrorText().find("no output device"), std::string::npos);
}

// A tone played into a null output and recorded from its monitor comes back
// as an MP3 of the recorded length that carries the tone for as long as it
// played, tail included.
TEST_F(PulseAudioEngineTest, RecordsWhatIsPlayedIntoAnMp3)
{
    CNullSink sink("rec");
    ASSERT_TRUE(sink.IsLoaded());
    const std::string mp3 = m_dir.File("take.mp3");
    AudioEnginePtr recorder = MakeEngine();
    ASSERT_TRUE(recorder->SetOption(kAudioOptionInputVolume, 100));
    const int input = FindDevice(*recorder, false, sink.Description());
    ASSERT_GE(input, 0) << recorder->GetErrorText();
    ASSERT_TRUE(recorder->SelectInputDevice(input));
    ASSERT_TRUE(recorder->Open(kAudioLineInSource, 1000)) << recorder->GetErrorText();
    ASSERT_TRUE(recorder->OpenOutput(mp3, kAudioOutputMp3, 0)) << recorder->GetErrorText();

    const double toneSeconds = 1.5;
    AudioEnginePtr player = Player(WavBytes(Tone(1000, toneSeconds, 44100, 2, 0.5), 44100, 2), sink.Description());
    player->SetNotify(&EndCounter::Callback, kAudioNotifyPlaybackEnd, &m_ends);

    ASSERT_TRUE(recorder->Start()) << recorder->GetErrorText();
    const uint32_t flowingAtMs = WaitUntilRecording(*recorder);
    const auto flowing = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(player->Start()) << player->GetErrorText();
    int loudest = 0;
    for (int i = 0; i < 40 && !m_ends.arrived.IsSet(); ++i) {
        std::this_thread::sleep_for(25ms);
        int left = -1, right = -1;
        ASSERT_TRUE(recorder->GetLevels(left, right));
        EXPECT_TRUE(left >= 0 && left <= 100 && right >= 0 && right <= 100) << left << " " << right;
        loudest = std::max(loudest, std::max(left, right));
    }
    ASSERT_TRUE(m_ends.arrived.Wait(3000));
    std::this_thread::sleep_for(300ms);
    AudioPosition position;
    ASSERT_TRUE(recorder->GetPosition(position));
    const auto wallMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - flowing).count();
    EXPECT_EQ(position.live, 1u);
    ASSERT_TRUE(recorder->Stop()) << recorder->GetErrorText();
    AudioStatus status;
    ASSERT_TRUE(recorder->GetStatus(status));
    EXPECT_EQ(status.running, 0u);
    EXPECT_EQ(status.recorder, 1u);
    const uint32_t recordedMs = position.position;
    recorder.reset();
    EXPECT_GE(loudest, 80);  // a half-scale tone is 6 dB below full scale

    std::string error;
    auto stream = CMp3Stream::Open(OpenFileBytes(mp3, error), error);
    ASSERT_TRUE(stream) << error;
    EXPECT_EQ(stream->SampleRate(), 44100u);
    const double fileMs = stream->TotalFrames() * 1000.0 / 44100;
    EXPECT_GE(fileMs, recordedMs);
    EXPECT_LE(fileMs, recordedMs + 100.0);
    // Captured in real time from the moment sound arrived: nothing lost.
    EXPECT_NEAR(double(recordedMs - flowingAtMs), double(wallMs), 100.0);

    const std::vector<int16_t> samples = DecodeAll(*stream);
    // 10 ms blocks that carry the tone.
    size_t toneBlocks = 0;
    size_t firstTone = SIZE_MAX;
    for (size_t block = 0; block * 441 < samples.size() / 2; ++block) {
        if (TonePower(samples, 2, 0, 44100, 1000, block * 441, 441) > 0.02) {
            ++toneBlocks;
            firstTone = std::min(firstTone, block);
        }
    }
    EXPECT_NEAR(double(toneBlocks), toneSeconds * 100, 6);
    EXPECT_GE(firstTone, 15u);  // the recording started before the tone
    const size_t middle = (firstTone * 441 + 44100 / 2);
    EXPECT_GT(TonePower(samples, 2, 1, 44100, 1000, middle, 4410), 0.05);
    EXPECT_LT(TonePower(samples, 2, 1, 44100, 3000, middle, 4410), 0.001);
}

// The end of a playback is reported once, with its code, on the engine's
// own thread; each playback reports its own end.
TEST_F(PulseAudioEngineTest, ReportsTheEndOncePerPlayback)
{
    AudioEnginePtr player = Player(WavBytes(Tone(500, 0.4, 22050, 1), 22050, 1));
    ASSERT_TRUE(player->SetNotify(&EndCounter::Callback, kAudioNotifyPlaybackEnd, &m_ends));
    ASSERT_TRUE(player->Start()) << player->GetErrorText();
    ASSERT_TRUE(m_ends.arrived.Wait(3000));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(m_ends.count.load(), 1);
    EXPECT_EQ(m_ends.code.load(), kAudioNotifyPlaybackEnd);
    EXPECT_EQ(m_ends.engine.load(), player.get());
    EXPECT_FALSE(m_ends.onCallerThread.load());

    AudioStatus status;
    ASSERT_TRUE(player->GetStatus(status));
    EXPECT_EQ(status.running, 0u);
    EXPECT_EQ(status.sourceLoaded, 1u);
    EXPECT_EQ(status.ended, 1u);
    AudioPosition position;
    ASSERT_TRUE(player->GetPosition(position));
    EXPECT_EQ(position.progressPosition, 0u);
    EXPECT_EQ(position.position, 400u);

    ASSERT_TRUE(player->Start());
    ASSERT_TRUE(m_ends.arrived.Wait(3000));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_ends.count.load(), 2);

    // Stopped by the caller: no report.
    ASSERT_TRUE(player->Start());
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(player->Stop());
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(m_ends.count.load(), 2);

    // Reports switched off.
    ASSERT_TRUE(player->SetOption(kAudioOptionNotifyEnd, 0));
    ASSERT_TRUE(player->Start());
    std::this_thread::sleep_for(800ms);
    EXPECT_EQ(m_ends.count.load(), 2);
}

TEST_F(PulseAudioEngineTest, PositionFollowsPlaybackAndSeek)
{
    AudioEnginePtr player = Player(WavBytes(Tone(440, 6.0, 44100, 2), 44100, 2));
    AudioPosition position;
    ASSERT_TRUE(player->GetPosition(position));
    EXPECT_EQ(position.live, 0u);
    EXPECT_EQ(position.progressPosition, 0u);

    ASSERT_TRUE(player->Start());
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(player->GetPosition(position));
    EXPECT_EQ(position.live, 1u);
    EXPECT_GE(position.position, 150u);
    EXPECT_LE(position.position, 600u);
    EXPECT_EQ(position.progressPosition, 1u);  // within the first second

    struct SeekCase {
        int mode;
        uint32_t value;
        uint32_t expectedMs;
    };
    for (const SeekCase& c : {SeekCase{kAudioSeekProgress, 4, 4000}, SeekCase{kAudioSeekPosition, 1500, 1500},
                              SeekCase{kAudioSeekProgress, 0, 0}}) {
        ASSERT_TRUE(player->Seek(c.mode, c.value)) << player->GetErrorText();
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(player->GetPosition(position));
        EXPECT_EQ(position.live, 1u);
        EXPECT_GE(position.position, c.expectedMs) << c.value;
        EXPECT_LE(position.position, c.expectedMs + 500) << c.value;
        EXPECT_EQ(position.progressPosition, position.position / 1000 + 1);
        EXPECT_EQ(position.seconds, position.position / 1000);
    }

    // Stopped: a seek sets where the next start begins.
    ASSERT_TRUE(player->Stop());
    ASSERT_TRUE(player->Seek(kAudioSeekProgress, 5));
    ASSERT_TRUE(player->GetPosition(position));
    EXPECT_EQ(position.live, 0u);
    EXPECT_EQ(position.position, 5000u);
    player->SetNotify(&EndCounter::Callback, kAudioNotifyPlaybackEnd, &m_ends);
    ASSERT_TRUE(player->Start());
    EXPECT_TRUE(m_ends.arrived.Wait(2000));  // one second was left

    // Past the end: clamped, and the end comes at once.
    ASSERT_TRUE(player->Start());
    ASSERT_TRUE(player->Seek(kAudioSeekProgress, 100));
    EXPECT_TRUE(m_ends.arrived.Wait(1000));
    ASSERT_TRUE(player->GetPosition(position));
    EXPECT_EQ(position.position, 6000u);
}

TEST_F(PulseAudioEngineTest, LevelsShowWhatIsHeard)
{
    AudioEnginePtr tone = Player(WavBytes(Tone(440, 3.0, 44100, 2, 0.5), 44100, 2));
    AudioEnginePtr silence = Player(WavBytes(std::vector<int16_t>(44100 * 2 * 3, 0), 44100, 2));
    int left = -1, right = -1;
    ASSERT_TRUE(tone->GetLevels(left, right));
    EXPECT_EQ(left + right, 0);  // not playing
    ASSERT_TRUE(tone->Start());
    ASSERT_TRUE(silence->Start());
    std::this_thread::sleep_for(300ms);
    const int expected = CLevelMeter::LevelFromPeak(0.5 * 32767);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(tone->GetLevels(left, right));
        EXPECT_NEAR(left, expected, 2);
        EXPECT_NEAR(right, expected, 2);
        ASSERT_TRUE(silence->GetLevels(left, right));
        EXPECT_EQ(left + right, 0);
        std::this_thread::sleep_for(20ms);
    }
    // The volume is part of what is heard: one channel off.
    ASSERT_TRUE(tone->SetVolume(0, 100));
    ASSERT_TRUE(tone->GetLevels(left, right));
    EXPECT_EQ(left, 0);
    EXPECT_NEAR(right, expected, 2);
    AudioStatus status;
    ASSERT_TRUE(tone->GetStatus(status));
    EXPECT_EQ(status.volumeLeft, 0u);
    EXPECT_EQ(status.volumeRight, 100u);
}

struct InfoCase {
    const char* name;
    uint32_t rate;
    uint32_t channels;
    double seconds;
    bool mp3;
    uint32_t totalSeconds;
    uint32_t range;
};

TEST_F(PulseAudioEngineTest, StreamInfoDescribesTheSound)
{
    const std::vector<InfoCase> cases = {
        {"wav stereo", 44100, 2, 2.5, false, 2, 3},
        {"wav mono short", 8000, 1, 0.25, false, 0, 1},
        {"mp3 mono", 22050, 1, 1.2, true, 1, 2},
        {"mp3 stereo exact seconds", 48000, 2, 3.0, true, 3, 3},
        {"wav over an hour", 8000, 1, 3725.0, false, 3725, 3725},
    };
    for (const InfoCase& c : cases) {
        // Silence is as long as a tone, and quicker to make for an hour.
        const std::vector<int16_t> samples = c.seconds > 60
                                                 ? std::vector<int16_t>(size_t(c.seconds * c.rate) * c.channels, 0)
                                                 : Tone(440, c.seconds, c.rate, c.channels);
        const std::string path = m_dir.File(std::string(c.name) + (c.mp3 ? ".mp3" : ".wav"));
        if (c.mp3)
            WriteMp3(path, samples, c.rate, c.channels);
        else
            WriteFileBytes(path, WavBytes(samples, c.rate, c.channels));
        AudioEnginePtr engine = MakeEngine();
        ASSERT_TRUE(engine->Open(path, 1000)) << c.name << ": " << engine->GetErrorText();
        AudioStreamInfo info;
        ASSERT_TRUE(engine->GetStreamInfo(info)) << c.name;
        EXPECT_EQ(info.unitsPerSecond, 1000u) << c.name;
        EXPECT_EQ(info.totalMs, uint32_t(c.seconds * 1000)) << c.name;
        EXPECT_EQ(info.totalSeconds, c.totalSeconds) << c.name;
        EXPECT_EQ(info.progressRange, c.range) << c.name;
        EXPECT_EQ(info.positionPollable, 1u) << c.name;
        EXPECT_EQ(info.totalHours * 3600 + info.totalMinutes * 60 + info.totalSecondsOfMinute, c.totalSeconds)
            << c.name;
        EXPECT_LT(info.totalMinutes, 60u);
        EXPECT_EQ(info.sampleRate, c.rate) << c.name;
        EXPECT_EQ(info.channels, c.channels) << c.name;
        EXPECT_EQ(info.format, uint32_t(c.mp3 ? kAudioFormatMp3 : kAudioFormatWave)) << c.name;
    }
}

// Every failure leaves a text that says what went wrong.
TEST_F(PulseAudioEngineTest, FailuresSayWhy)
{
    const std::string garbage = m_dir.File("garbage.mp3");
    WriteFileBytes(garbage, std::string(3000, 'x'));
    const std::string wav = WavBytes(Tone(440, 0.2, 8000, 1), 8000, 1);
    struct FailCase {
        const char* name;
        std::function<bool(IAudioEngine&)> call;
        const char* expected;  // part of the text
    };
    const std::vector<FailCase> cases = {
        {"missing file", [](IAudioEngine& e) { return e.Open("/nonexistent/a.mp3", 1000); }, "No such file"},
        {"folder", [this](IAudioEngine& e) { return e.Open(m_dir.Path(), 1000); }, "not a regular file"},
        {"not a sound", [&](IAudioEngine& e) { return e.Open(garbage, 1000); }, "not an MP3 or WAV"},
        {"empty source", [](IAudioEngine& e) { return e.Open("", 1000); }, "empty"},
        {"other scheme", [](IAudioEngine& e) { return e.Open("http://example/a.mp3", 1000); }, "unsupported"},
        {"bad record volume", [](IAudioEngine& e) { return e.Open("wavein://src=line;volume=loud;", 1000); },
         "volume"},
        {"no memory", [](IAudioEngine& e) { return e.OpenMemory(nullptr, 0, kAudioFormatMp3); }, "empty"},
        {"wav said to be mp3", [&](IAudioEngine& e) { return e.OpenMemory(wav.data(), wav.size(), kAudioFormatMp3); },
         "not an MP3"},
        {"start with nothing", [](IAudioEngine& e) { return e.Start(); }, "nothing is open"},
        {"seek with nothing", [](IAudioEngine& e) { return e.Seek(kAudioSeekProgress, 1); }, "no sound"},
        {"info with nothing",
         [](IAudioEngine& e) {
             AudioStreamInfo info;
             return e.GetStreamInfo(info);
         },
         "nothing is open"},
        {"output without input", [this](IAudioEngine& e) { return e.OpenOutput(m_dir.File("x.mp3"), 1, 0); },
         "open the input"},
        {"bad output device", [](IAudioEngine& e) { return e.SelectOutputDevice(999); }, "no output device 999"},
        {"bad input device", [](IAudioEngine& e) { return e.SelectInputDevice(-7); }, "no input device -7"},
        {"unknown option", [](IAudioEngine& e) { return e.SetOption(99, 1); }, "unknown engine option"},
        {"bad bitrate", [](IAudioEngine& e) { return e.SetOption(kAudioOptionMp3Bitrate, 100); }, "bitrate"},
        {"bad volume", [](IAudioEngine& e) { return e.SetVolume(101, 0); }, "outside 0 to 100"},
    };
    for (const FailCase& c : cases) {
        AudioEnginePtr engine = MakeEngine();
        EXPECT_FALSE(c.call(*engine)) << c.name;
        EXPECT_NE(engine->GetErrorText().find(c.expected), std::string::npos)
            << c.name << ": \"" << engine->GetErrorText() << "\"";
    }

    // A recorder's file that cannot be created, and a recorder with no file.
    AudioEnginePtr recorder = MakeEngine();
    ASSERT_TRUE(recorder->Open(kAudioLineInSource, 1000)) << recorder->GetErrorText();
    EXPECT_FALSE(recorder->OpenOutput("/nonexistent/take.mp3", kAudioOutputMp3, 0));
    EXPECT_NE(recorder->GetErrorText().find("cannot create /nonexistent/take.mp3"), std::string::npos);
    EXPECT_FALSE(recorder->OpenOutput(m_dir.File("take.wav"), 2, 0));
    EXPECT_NE(recorder->GetErrorText().find("MP3 only"), std::string::npos);
    EXPECT_FALSE(recorder->Start());
    EXPECT_NE(recorder->GetErrorText().find("no recording file"), std::string::npos);
}

// With no sound server at all, everything fails with a clear text and
// nothing crashes.
TEST_F(PulseAudioEngineTest, WithoutServerFailsClearly)
{
    CScopedEnv noServer("PULSE_SERVER", std::string("unix:") + m_dir.File("no-such-socket"));
    const std::string wav = m_dir.File("a.wav");
    WriteFileBytes(wav, WavBytes(Tone(440, 0.2, 8000, 1), 8000, 1));
    AudioEnginePtr engine = MakeEngine();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->GetOutputDeviceCount(), -1);
    EXPECT_NE(engine->GetErrorText().find("cannot connect to the sound server"), std::string::npos)
        << engine->GetErrorText();
    EXPECT_EQ(engine->GetInputDeviceCount(), -1);
    EXPECT_FALSE(engine->Open(wav, 1000));
    EXPECT_NE(engine->GetErrorText().find("sound server"), std::string::npos);
    EXPECT_FALSE(engine->Start());
    EXPECT_FALSE(engine->Open(kAudioLineInSource, 1000));
    EXPECT_NE(engine->GetErrorText().find("sound server"), std::string::npos);

    CAudioEngines engines(nullptr);
    EXPECT_FALSE(engines.OpenPlayer("PX40", wav));
    EXPECT_NE(engines.LastErrorText().find("sound server"), std::string::npos) << engines.LastErrorText();
    EXPECT_FALSE(engines.OpenPlayer("", wav));
    EXPECT_NE(engines.LastErrorText().find("sound server"), std::string::npos) << engines.LastErrorText();
    EXPECT_FALSE(engines.OpenRecorder("PX40", m_dir.File("take.mp3")));
    EXPECT_NE(engines.LastErrorText().find("sound server"), std::string::npos) << engines.LastErrorText();
    EXPECT_EQ(engines.Player(), nullptr);
    EXPECT_EQ(engines.Recorder(), nullptr);

    EXPECT_EQ(GetSystemMasterVolume(), kSystemVolumeFallback);
}

// The server going away ends a playback (reported, so that no page waits
// forever) and a recording, whose file keeps what was recorded.
TEST_F(PulseAudioEngineTest, LostServerEndsPlaybackAndKeepsTheRecording)
{
    CPulseServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CScopedEnv env("PULSE_SERVER", server.ServerString());
    const std::string mp3 = m_dir.File("take.mp3");

    AudioEnginePtr recorder = MakeEngine();
    ASSERT_TRUE(recorder->Open(kAudioLineInSource, 1000)) << recorder->GetErrorText();
    ASSERT_TRUE(recorder->OpenOutput(mp3, kAudioOutputMp3, 0));
    ASSERT_TRUE(recorder->Start()) << recorder->GetErrorText();
    WaitUntilRecording(*recorder);
    AudioEnginePtr player = Player(WavBytes(Tone(440, 10.0, 44100, 2), 44100, 2));
    player->SetNotify(&EndCounter::Callback, kAudioNotifyPlaybackEnd, &m_ends);
    ASSERT_TRUE(player->Start());
    std::this_thread::sleep_for(600ms);

    server.Stop();
    ASSERT_TRUE(m_ends.arrived.Wait(3000));
    EXPECT_EQ(m_ends.count.load(), 1);
    EXPECT_FALSE(player->GetErrorText().empty());
    AudioStatus status;
    ASSERT_TRUE(player->GetStatus(status));
    EXPECT_EQ(status.running, 0u);
    ASSERT_TRUE(recorder->GetStatus(status));
    EXPECT_EQ(status.running, 0u);
    EXPECT_FALSE(player->Start());
    EXPECT_FALSE(player->GetErrorText().empty());
    recorder.reset();
    player.reset();

    auto stream = CMp3Stream::Open(OpenFileBytes(mp3, error), error);
    ASSERT_TRUE(stream) << error;
    EXPECT_GT(stream->TotalFrames(), 44100u * 3 / 10);
}

TEST(AudioDeviceNameTest, MatchesAPartIgnoringCase)
{
    struct Case {
        const char* name;
        const char* part;
        bool matches;
    };
    for (const Case& c : {Case{"PX40 Analog Stereo", "PX40", true}, Case{"Monitor of PX40-Test", "px40", true},
                          Case{"Built-in Audio", "PX40", false}, Case{"PX4", "PX40", false},
                          Case{"anything", "", true}, Case{"扬声器 (PX40)", "PX40", true}})
        EXPECT_EQ(AudioDeviceNameMatches(c.name, c.part), c.matches) << c.name << " / " << c.part;
}

TEST(LevelMeterTest, PeaksMapOntoSixtyDecibels)
{
    struct Case {
        double peak;
        int level;
    };
    for (const Case& c : {Case{0, 0}, Case{-5, 0}, Case{1, 0}, Case{32.768, 0}, Case{327.68, 33},
                          Case{3276.8, 67}, Case{16384, 90}, Case{32767, 100}, Case{40000, 100}})
        EXPECT_EQ(CLevelMeter::LevelFromPeak(c.peak), c.level) << c.peak;
}

TEST(LevelMeterTest, ShowsTheBlocksAroundTheTimeAsked)
{
    CLevelMeter meter;
    std::vector<int16_t> loud(1000 * 2, 16384), quiet(1000 * 2, 0);
    meter.Add(quiet.data(), 1000, 2, 1000, 0);     // 0..1000 ms silent
    meter.Add(loud.data(), 1000, 2, 1000, 1000);   // 1000..2000 ms loud
    int left, right;
    meter.Get(500, left, right);
    EXPECT_EQ(left, 0);
    meter.Get(1500, left, right);
    EXPECT_EQ(left, 90);
    meter.Get(1500, left, right, 0.0, 0.5);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 80);
    meter.Get(2040, left, right);  // the window reaches back 50 ms
    EXPECT_EQ(left, 90);
    meter.Get(2060, left, right);
    EXPECT_EQ(left, 0);
}

}  // namespace
}  // namespace vy::test
