#include "audio/LibmadDecoder.h"
#include "audio/WaveFile.h"
#include "base/NotifyCenter.h"
#include "model/FolderResourceProvider.h"
#include "tests/audio/SoundTestSupport.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace vy;
using namespace vy::test;
using namespace vy::test::sound;

namespace {

struct Finished {
    std::string wavPath;
    int status = -1;
    const void* sender = nullptr;
};

// A decoder with its own notification center on a test loop; temporary
// files go to a private folder so that leftovers are seen.
class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() : m_center(m_loop), m_tmp(m_tmpDir.Path())
    {
        m_loop.AdoptCurrentThread();
        m_subscription = CEventSubscription(m_center, events::kDecoderFinsh, [this](const CEventBase& event) {
            const auto& finished = static_cast<const EventDecoderFinsh&>(event);
            m_events.push_back({finished.WavPath(), finished.Status(), finished.Sender()});
        });
    }

    // Starts a run and serves the loop until its event arrives.
    std::optional<Finished> Decode(CLibmadDecoder& decoder, const std::string& source, float volume = 100,
                                   int limit = 20, bool fromResource = false)
    {
        m_events.clear();
        if (!decoder.Start(source, volume, fromResource, this, limit)) {
            ADD_FAILURE() << "Start failed";
            return std::nullopt;
        }
        if (!m_loop.RunUntil([this] { return !m_events.empty(); }, 20000)) {
            ADD_FAILURE() << "no finish event";
            return std::nullopt;
        }
        EXPECT_EQ(m_events.size(), 1u);
        return m_events.front();
    }

    static std::vector<int16_t> ReadSamples(const std::string& wavPath, WaveFormatEx& format)
    {
        CWaveFile wave;
        if (!wave.OpenReadOnly(wavPath, &format)) {
            ADD_FAILURE() << "decoded WAV refused: " << CWaveFile::ErrorText(wave.LastError());
            return {};
        }
        return Samples16(wave.Data(), wave.GetDataLength());
    }

    CFakeUiLoop m_loop;
    SNotifyCenter m_center;
    CTempDir m_tmpDir;
    CScopedTmpDir m_tmp;
    CEventSubscription m_subscription;
    std::vector<Finished> m_events;
};

}  // namespace

TEST_F(DecoderTest, DecodesToATemporaryWavInTheSourceFormat)
{
    struct Case {
        const char* file;
        uint16_t channels;
        uint32_t rate;
        std::vector<double> tones;
    };
    const Case cases[] = {
        {"tone-mono-44100.mp3", 1, 44100, {440}},
        {"tone-stereo-48000.mp3", 2, 48000, {440, 880}},
        {"tone-stereo-44100.mp3", 2, 44100, {440, 660}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CLibmadDecoder decoder(nullptr, &m_center);
        auto result = Decode(decoder, Fixture(c.file));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 1);
        EXPECT_EQ(result->sender, this);
        EXPECT_EQ(result->wavPath, decoder.WavPath());
        EXPECT_EQ(std::filesystem::path(result->wavPath).parent_path(), m_tmpDir.Path());
        EXPECT_TRUE(std::filesystem::path(result->wavPath).filename().string().starts_with("VyW"));

        std::string bytes = ReadFileBytes(result->wavPath);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(ReadLe32(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(ReadLe32(bytes, 16), 16u) << "canonical header";
        EXPECT_EQ(ReadLe16(bytes, 22), c.channels);
        EXPECT_EQ(ReadLe32(bytes, 24), c.rate);
        EXPECT_EQ(ReadLe32(bytes, 28), c.rate * c.channels * 2);
        EXPECT_EQ(ReadLe16(bytes, 32), c.channels * 2);
        EXPECT_EQ(ReadLe16(bytes, 34), 16);
        EXPECT_EQ(ReadLe32(bytes, 40), bytes.size() - 44);
        EXPECT_EQ(bytes.size() - 44, static_cast<size_t>(decoder.TotalSamples()) * c.channels * 2);
        EXPECT_EQ(decoder.TotalSamples() % 1152, 0u) << "whole frames";
        // About one second of sound; the last frame is decoded too.
        EXPECT_GE(decoder.TotalSamples(), c.rate);

        WaveFormatEx format{};
        std::vector<int16_t> samples = ReadSamples(result->wavPath, format);
        for (unsigned ch = 0; ch < c.channels; ++ch) {
            EXPECT_GT(ToneLevel(samples, c.channels, ch, c.rate, c.tones[ch]), 0.4) << "channel " << ch;
            EXPECT_LT(ToneLevel(samples, c.channels, ch, c.rate, 1234.0), 0.01) << "channel " << ch;
        }
        decoder.Reset();
        EXPECT_TRUE(std::filesystem::exists(result->wavPath)) << "the owner deletes the decoded WAV";
        std::filesystem::remove(result->wavPath);
        EXPECT_TRUE(ListFiles(m_tmpDir.Path()).empty()) << "the raw file is gone";
    }
}

TEST_F(DecoderTest, VolumeFactorScalesEverySample)
{
    CLibmadDecoder decoder(nullptr, &m_center);
    auto full = Decode(decoder, Fixture("tone-mono-44100.mp3"), 100);
    ASSERT_TRUE(full && full->status == 1);
    WaveFormatEx format{};
    std::vector<int16_t> reference = ReadSamples(full->wavPath, format);
    std::string firstPath = full->wavPath;

    // Sound volume 50 at master volume 100: send volume 50, factor 0.5.
    auto half = Decode(decoder, Fixture("tone-mono-44100.mp3"), 50.0f / 100.0f * 100.0f);
    ASSERT_TRUE(half && half->status == 1);
    EXPECT_FALSE(std::filesystem::exists(firstPath)) << "a new WAV replaces the previous run's";
    std::vector<int16_t> halved = ReadSamples(half->wavPath, format);
    ASSERT_EQ(halved.size(), reference.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < reference.size(); ++i)
        if (halved[i] != static_cast<int16_t>(static_cast<float>(reference[i]) * 0.5f))
            ++mismatches;
    EXPECT_EQ(mismatches, 0u) << "truncated toward zero after scaling";
    EXPECT_EQ(*std::max_element(reference.begin(), reference.end()), 32767) << "the fixture reaches full scale";
    EXPECT_EQ(*std::max_element(halved.begin(), halved.end()), 16383);

    // A factor above 1 clips instead of wrapping around.
    auto loud = Decode(decoder, Fixture("tone-mono-44100.mp3"), 400);
    ASSERT_TRUE(loud && loud->status == 1);
    std::vector<int16_t> clipped = ReadSamples(loud->wavPath, format);
    ASSERT_EQ(clipped.size(), reference.size());
    for (size_t i = 0; i < reference.size(); ++i) {
        if (reference[i] > 16000) {
            ASSERT_EQ(clipped[i], 32767) << "sample " << i;
        }
        if (reference[i] < -16000) {
            ASSERT_EQ(clipped[i], -32768) << "sample " << i;
        }
    }
    std::filesystem::remove(loud->wavPath);
}

TEST_F(DecoderTest, BadFramesAreSkipped)
{
    CLibmadDecoder decoder(nullptr, &m_center);
    auto clean = Decode(decoder, Fixture("tone-mono-44100.mp3"));
    ASSERT_TRUE(clean && clean->status == 1);
    uint32_t cleanSamples = decoder.TotalSamples();
    auto damaged = Decode(decoder, Fixture("corrupt-frames.mp3"));
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->status, 1);
    uint32_t damagedSamples = decoder.TotalSamples();
    EXPECT_GT(damagedSamples, 0u);
    EXPECT_LE(damagedSamples + 10 * 1152, cleanSamples) << "ten frames have a broken header";
    EXPECT_GE(damagedSamples, cleanSamples / 2) << "the frames after the damage still decode";
    std::filesystem::remove(damaged->wavPath);
}

TEST_F(DecoderTest, NothingDecodableGivesStatusZero)
{
    WriteFileBytes(m_tmpDir.File("text.mp3"), std::string(5000, 'a'));
    WriteFileBytes(m_tmpDir.File("empty.mp3"), "");
    const std::string cases[] = {Fixture("all-corrupt.mp3"), m_tmpDir.File("text.mp3"), m_tmpDir.File("empty.mp3"),
                                 m_tmpDir.File("absent.mp3"), m_tmpDir.Path()};
    for (const auto& source : cases) {
        SCOPED_TRACE(source);
        CLibmadDecoder decoder(nullptr, &m_center);
        auto result = Decode(decoder, source);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 0);
        EXPECT_EQ(result->wavPath, "");
        EXPECT_EQ(decoder.TotalSamples(), 0u);
        decoder.Reset();
    }
    auto left = ListFiles(m_tmpDir.Path());
    EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const std::string& n) { return n.starts_with("VyW"); }), 0)
        << "no temporary file is left behind";
}

TEST_F(DecoderTest, StopsAtTheFirstFrameThatReachesTheLimit)
{
    std::string longMp3 = LongMp3();
    ASSERT_FALSE(longMp3.empty());
    struct Case {
        int limit;
        uint32_t frames;
    };
    // ceil(limit * 44100 / 1152) frames: the frame that reaches the limit is kept.
    const Case cases[] = {{20, 766}, {35, 1340}, {1, 39}, {0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        CLibmadDecoder decoder(nullptr, &m_center);
        auto result = Decode(decoder, longMp3, 100, c.limit);
        ASSERT_TRUE(result && result->status == 1);
        EXPECT_EQ(decoder.TotalSamples(), c.frames * 1152);
        CWaveFile wave;
        ASSERT_TRUE(wave.OpenReadOnly(result->wavPath, nullptr));
        EXPECT_EQ(wave.GetDataLength(), c.frames * 1152 * 4);
        wave.Close();
        std::filesystem::remove(result->wavPath);
    }
}

TEST_F(DecoderTest, BuiltInSoundsComeFromTheResourceProvider)
{
    CTempDir resources;
    std::filesystem::create_directories(resources.File("mp3"));
    std::filesystem::copy_file(Fixture("tone-stereo-48000.mp3"), resources.File("mp3/DJ_ZS.mp3"));
    WriteFileBytes(resources.File("mp3/DJ_BS.mp3"), "");
    CFolderResourceProvider provider(resources.Path());
    CLibmadDecoder decoder(&provider, &m_center);

    auto found = Decode(decoder, "DJ_ZS", 100, 20, true);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->status, 1);
    EXPECT_EQ(decoder.OutputFormat().samplesPerSec, 48000u);
    EXPECT_EQ(decoder.OutputFormat().channels, 2);
    std::filesystem::remove(found->wavPath);

    for (const char* name : {"DJ_QZ", "DJ_BS"}) {  // missing, and empty
        SCOPED_TRACE(name);
        auto missing = Decode(decoder, name, 100, 20, true);
        ASSERT_TRUE(missing);
        EXPECT_EQ(missing->status, 0);
    }
    CLibmadDecoder withoutProvider(nullptr, &m_center);
    auto none = Decode(withoutProvider, "DJ_ZS", 100, 20, true);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 0);
}

TEST_F(DecoderTest, ResetEndsTheWorkerAndReportsNothing)
{
    std::string longMp3 = LongMp3();
    ASSERT_FALSE(longMp3.empty());
    CLibmadDecoder decoder(nullptr, &m_center);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(decoder.Start(longMp3, 100, false, this, 60));
        decoder.Reset();
        EXPECT_FALSE(decoder.IsRunning());
    }
    m_loop.RunUntil([] { return false; }, 100);
    EXPECT_TRUE(m_events.empty()) << "a reset run posts no event";
    EXPECT_TRUE(ListFiles(m_tmpDir.Path()).empty()) << "the raw file is removed";

    // Destroying a decoder in mid-run is just as safe.
    {
        CLibmadDecoder doomed(nullptr, &m_center);
        ASSERT_TRUE(doomed.Start(longMp3, 100, false, this, 60));
    }
    m_loop.RunUntil([] { return false; }, 50);
    EXPECT_TRUE(m_events.empty());
}

TEST_F(DecoderTest, StartFailsWithoutATemporaryFolder)
{
    CScopedTmpDir nowhere(m_tmpDir.File("does-not-exist"));
    CLibmadDecoder decoder(nullptr, &m_center);
    EXPECT_FALSE(decoder.Start(Fixture("tone-mono-44100.mp3"), 100, false, this, 20));
    EXPECT_FALSE(decoder.IsRunning());
    m_loop.RunUntil([] { return false; }, 50);
    EXPECT_TRUE(m_events.empty()) << "no event follows a failed start";
}

TEST_F(DecoderTest, LeadingId3TagIsNotDecoded)
{
    // A tag whose body holds real MP3 frames at another rate: were the tag
    // searched for frames, they would be decoded too.
    std::string clean = ReadFileBytes(Fixture("tone-mono-44100.mp3"));
    std::string body = ReadFileBytes(Fixture("tone-stereo-48000.mp3"));
    auto syncsafe = [](size_t n) {
        return std::string{static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
                           static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
    };
    WriteFileBytes(m_tmpDir.File("tagged.mp3"), std::string("ID3\x04\x00\x00", 6) + syncsafe(body.size()) + body + clean);

    CLibmadDecoder decoder(nullptr, &m_center);
    auto reference = Decode(decoder, Fixture("tone-mono-44100.mp3"));
    ASSERT_TRUE(reference && reference->status == 1);
    std::string expected = ReadFileBytes(reference->wavPath);
    auto tagged = Decode(decoder, m_tmpDir.File("tagged.mp3"));
    ASSERT_TRUE(tagged && tagged->status == 1);
    EXPECT_EQ(ReadFileBytes(tagged->wavPath), expected);
    std::filesystem::remove(tagged->wavPath);
}
