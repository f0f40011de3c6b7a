#include "EngineTestSupport.h"

#include "audio/AudioEngines.h"
#include "audio/EventPlaybackMsg.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace vy::test {
namespace {

class AudioEnginesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_loop.AdoptCurrentThread();
        m_wav = m_dir.File("tone.wav");
        WriteFileBytes(m_wav, WavBytes(Tone(440, 0.3, 22050, 2), 22050, 2));
        m_subscription = CEventSubscription(m_center, events::kPlaybackMsg, [this](const CEventBase& event) {
            const auto& message = static_cast<const EventPlaybackMsg&>(event);
            m_received.push_back({message.Engines(), message.Code(), event.Name()});
        });
    }

    struct Received {
        CAudioEngines* engines;
        uint32_t code;
        std::string name;
    };

    CFakeUiLoop m_loop;
    SNotifyCenter m_center{m_loop};
    CEventSubscription m_subscription;
    std::vector<Received> m_received;
    CTempDir m_dir;
    std::string m_wav;
};

// The end of a playback reaches the UI thread as one EventPlaybackMsg that
// names the holder.
TEST_F(AudioEnginesTest, PostsThePlaybackEndOnce)
{
    CAudioEngines engines(&m_center);
    ASSERT_TRUE(engines.OpenPlayer("PX40", m_wav)) << engines.LastErrorText();
    ASSERT_NE(engines.Player(), nullptr);
    EXPECT_EQ(engines.DeviceName(), "PX40");
    EXPECT_EQ(engines.Source(), m_wav);
    ASSERT_TRUE(engines.Player()->Start()) << engines.Player()->GetErrorText();
    ASSERT_TRUE(m_loop.RunUntil([this] { return !m_received.empty(); }, 3000));
    m_loop.RunUntil([] { return false; }, 400);
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_received[0].engines, &engines);
    EXPECT_EQ(m_received[0].code, kAudioNotifyPlaybackEnd);
    EXPECT_EQ(m_received[0].name, "on_event_playback_msg");
}

// Device names that match nothing fail, with the engine gone and a text
// that says which name was looked for.
TEST_F(AudioEnginesTest, NoMatchingDeviceFailsWithText)
{
    CAudioEngines engines(&m_center);
    EXPECT_FALSE(engines.OpenPlayer("NoSuchCard", m_wav));
    EXPECT_EQ(engines.Player(), nullptr);
    EXPECT_NE(engines.LastErrorText().find("no output device whose name contains \"NoSuchCard\""), std::string::npos)
        << engines.LastErrorText();
    EXPECT_FALSE(engines.OpenRecorder("NoSuchCard", m_dir.File("take.mp3")));
    EXPECT_EQ(engines.Recorder(), nullptr);
    EXPECT_NE(engines.LastErrorText().find("no input device whose name contains \"NoSuchCard\""), std::string::npos)
        << engines.LastErrorText();
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("take.mp3")));

    // A failed open leaves the engine's own text.
    EXPECT_FALSE(engines.OpenPlayer("PX40", m_dir.File("missing.mp3")));
    EXPECT_NE(engines.LastErrorText().find("missing.mp3"), std::string::npos) << engines.LastErrorText();
    // And a later success clears it.
    EXPECT_TRUE(engines.OpenPlayer("PX40", m_wav));
    EXPECT_EQ(engines.LastErrorText(), "");
}

TEST_F(AudioEnginesTest, OpensMemoryImagesByFormat)
{
    const std::string wav = WavBytes(Tone(440, 0.2, 8000, 1), 8000, 1);
    const std::string mp3 = ReadFileBytes(WriteMp3(m_dir.File("a.mp3"), Tone(440, 0.5, 44100, 1), 44100, 1));
    struct Case {
        const char* name;
        const std::string* bytes;
        int format;
        bool opens;
    };
    for (const Case& c : {Case{"mp3", &mp3, kAudioFormatMp3, true}, Case{"wave", &wav, kAudioFormatWave, true},
                          Case{"wave found by content", &wav, kAudioFormatDetect, true},
                          Case{"mp3 found by content", &mp3, kAudioFormatDetect, true},
                          Case{"wave said to be mp3", &wav, kAudioFormatMp3, false},
                          Case{"mp3 said to be wave", &mp3, kAudioFormatWave, false}}) {
        CAudioEngines engines(&m_center);
        EXPECT_EQ(engines.OpenPlayerMemory("PX40", c.bytes->data(), c.bytes->size(), c.format), c.opens) << c.name;
        EXPECT_EQ(engines.Player() != nullptr, c.opens) << c.name;
        EXPECT_EQ(engines.LastErrorText().empty(), c.opens) << c.name << ": " << engines.LastErrorText();
    }
}

TEST_F(AudioEnginesTest, LoadsOnTheWorkerThread)
{
    CAudioEngines engines(&m_center);
    ASSERT_TRUE(engines.OpenPlayer("PX40", m_wav));
    std::atomic<int> calls{0};
    std::atomic<bool> result{false};
    std::atomic<bool> onCaller{false};
    const auto caller = std::this_thread::get_id();
    auto done = [&](bool ok) {
        result = ok;
        onCaller = std::this_thread::get_id() == caller;
        ++calls;
    };
    ASSERT_TRUE(engines.OpenPlayerAsync("PX40", m_wav, done));
    EXPECT_EQ(engines.Player(), nullptr);  // the old player went at once
    ASSERT_TRUE(m_loop.RunUntil([&] { return calls.load() == 1; }, 3000));
    EXPECT_TRUE(result.load());
    EXPECT_FALSE(onCaller.load());
    EXPECT_FALSE(engines.IsLoading());
    ASSERT_NE(engines.Player(), nullptr);
    AudioStatus status;
    ASSERT_TRUE(engines.Player()->GetStatus(status));
    EXPECT_EQ(status.sourceLoaded, 1u);

    ASSERT_TRUE(engines.OpenPlayerAsync("NoSuchCard", m_wav, done));
    ASSERT_TRUE(m_loop.RunUntil([&] { return calls.load() == 2; }, 3000));
    EXPECT_FALSE(result.load());
    EXPECT_EQ(engines.Player(), nullptr);
    EXPECT_NE(engines.LastErrorText().find("NoSuchCard"), std::string::npos);
}

TEST_F(AudioEnginesTest, RecorderIsReadyToRecordIntoTheFile)
{
    CAudioEngines engines(&m_center);
    const std::string file = m_dir.File("tmp_record.mp3");
    WriteFileBytes(file, "an older recording");
    ASSERT_TRUE(engines.OpenRecorder("PX40", file)) << engines.LastErrorText();
    IAudioEngine* recorder = engines.Recorder();
    ASSERT_NE(recorder, nullptr);
    AudioStatus status;
    ASSERT_TRUE(recorder->GetStatus(status));
    EXPECT_EQ(status.recorder, 1u);
    EXPECT_EQ(status.outputOpen, 1u);
    EXPECT_EQ(status.running, 0u);
    ASSERT_TRUE(recorder->Start()) << recorder->GetErrorText();
    ASSERT_TRUE(recorder->GetStatus(status));
    EXPECT_EQ(status.running, 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engines.ReleaseRecorder();
    EXPECT_EQ(engines.Recorder(), nullptr);
    const std::string bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);  // an MP3 frame, the old file replaced
}

}  // namespace
}  // namespace vy::test
