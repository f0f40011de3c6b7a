#include "audio/SoundConverter.h"
#include "base/NotifyCenter.h"
#include "model/DeviceModel.h"
#include "model/FolderResourceProvider.h"
#include "model/RuleSet.h"
#include "tests/audio/SoundTestSupport.h"
#include "tests/support/FakeUiLoop.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vy;
using namespace vy::test;
using namespace vy::test::sound;

namespace {

class ConverterTest : public ::testing::Test {
protected:
    ConverterTest() : m_center(m_loop), m_tmp(m_tmpDir.Path())
    {
        m_loop.AdoptCurrentThread();
        m_subscription = CEventSubscription(m_center, events::kDecoderFinsh, [this](const CEventBase& event) {
            const auto& finished = static_cast<const EventDecoderFinsh&>(event);
            m_status = finished.Status();
            m_wavPath = finished.WavPath();
        });
    }

    // The send flow up to the decoded WAV: StartDecode, then the event.
    bool Decode(CSoundConverter& converter, int slot, const std::string& mp3, const SoundRule& rule,
                float volume = 100)
    {
        m_status = -1;
        if (!converter.StartDecode(slot, this, mp3, volume, false, rule))
            return false;
        if (!m_loop.RunUntil([this] { return m_status >= 0; }, 20000))
            return false;
        return m_status == 1;
    }

    CFakeUiLoop m_loop;
    SNotifyCenter m_center;
    CTempDir m_tmpDir;
    CScopedTmpDir m_tmp;
    CEventSubscription m_subscription;
    int m_status = -1;
    std::string m_wavPath;
};

SoundRule Rule(int adpcm, int rate, int channels, int bits = 16)
{
    SoundRule rule;
    rule.adpcm = adpcm;
    rule.soundSampleRate = rate;
    rule.channelNum = channels;
    rule.bitPerSample = bits;
    return rule;
}

}  // namespace

TEST(SoundConverter, LimitPerSlot)
{
    struct Case {
        int slot;
        std::vector<int> list;
        int current;
        int limit;
    };
    const Case cases[] = {
        {0, {}, 20, 35},       {1, {}, 20, 35},          {2, {}, 20, 20},
        {3, {}, 20, 20},       {3, {}, 35, 35},          {5, {10, 20, 30}, 20, 20},
        {2, {10, 20, 30}, 20, 30}, {0, {10, 20, 30}, 20, 10}, {4, {5, 6, 7, 8, 9}, 35, 9},
        {-1, {10}, 20, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(CSoundConverter::SelectLimit(c.slot, c.list, c.current), c.limit);
    }
}

TEST_F(ConverterTest, SixtySecondsToSlotTwoTakesExactlyTwentySeconds)
{
    std::string longMp3 = LongMp3();
    ASSERT_FALSE(longMp3.empty());
    CSoundConverter converter(nullptr, &m_center);
    ASSERT_TRUE(Decode(converter, 2, longMp3, SoundRule{}));
    EXPECT_EQ(converter.Limit(), 20);

    // The decode stops on whole frames, past 20 seconds.
    CWaveFile decoded;
    ASSERT_TRUE(decoded.OpenReadOnly(m_wavPath, nullptr));
    EXPECT_GT(decoded.GetDataLength(), 20u * 176400);
    decoded.Close();

    // In the source's own format the converted bytes are the source bytes.
    ASSERT_TRUE(converter.ConvertToPcm(m_wavPath, Rule(1, 44100, 2)));
    EXPECT_EQ(converter.Output().size(), 20u * 176400);

    // The card's default format: mono, 44100 Hz, 16 bits, as a WAV image.
    ASSERT_TRUE(converter.ConvertForDevice(m_wavPath, SoundRule{}));
    const auto& image = converter.Output();
    ASSERT_EQ(image.size(), 20u * 88200 + 44);
    std::string header(image.begin(), image.begin() + 44);
    EXPECT_EQ(header.substr(0, 4), "RIFF");
    EXPECT_EQ(ReadLe32(header, 4), 20u * 88200 + 36);
    EXPECT_EQ(ReadLe16(header, 20), 1);
    EXPECT_EQ(ReadLe16(header, 22), 1);
    EXPECT_EQ(ReadLe32(header, 24), 44100u);
    EXPECT_EQ(ReadLe32(header, 28), 88200u);
    EXPECT_EQ(ReadLe16(header, 32), 2);
    EXPECT_EQ(ReadLe16(header, 34), 16);
    EXPECT_EQ(ReadLe32(header, 40), 20u * 88200);
    // The right channel's steady 440 Hz survives the mix to mono.
    std::vector<int16_t> mono = Samples16(image.data() + 44, image.size() - 44);
    EXPECT_GT(ToneLevel(mono, 1, 0, 44100, 440.0), 0.2);
    std::filesystem::remove(m_wavPath);
}

TEST_F(ConverterTest, ChannelCountFollowsTheRule)
{
    CSoundConverter converter(nullptr, &m_center);
    ASSERT_TRUE(Decode(converter, 2, Fixture("tone-mono-44100.mp3"), SoundRule{}));
    CWaveFile decoded;
    WaveFormatEx format{};
    ASSERT_TRUE(decoded.OpenReadOnly(m_wavPath, &format));
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.blockAlign, 2);
    uint32_t decodedBytes = decoded.GetDataLength();
    decoded.Close();

    struct Case {
        int channels;
        size_t length;
    };
    const Case cases[] = {{1, 44 + decodedBytes}, {2, 44 + 2 * size_t{decodedBytes}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channels);
        ASSERT_TRUE(converter.ConvertToWaveImage(m_wavPath, Rule(0, 44100, c.channels)));
        const auto& image = converter.Output();
        ASSERT_EQ(image.size(), c.length);
        std::string header(image.begin(), image.begin() + 44);
        EXPECT_EQ(ReadLe16(header, 22), c.channels);
        EXPECT_EQ(ReadLe16(header, 32), 2 * c.channels);
        std::vector<int16_t> samples = Samples16(image.data() + 44, image.size() - 44);
        for (int ch = 0; ch < c.channels; ++ch)
            EXPECT_GT(ToneLevel(samples, static_cast<unsigned>(c.channels), static_cast<unsigned>(ch), 44100, 440.0), 0.5);
        if (c.channels == 2) {
            for (size_t i = 0; i + 1 < samples.size(); i += 2)
                ASSERT_EQ(samples[i], samples[i + 1]) << "frame " << i / 2;
        }
    }
    std::filesystem::remove(m_wavPath);
}

TEST_F(ConverterTest, ResampledTo48000HasTheExpectedLengthAndTheTone)
{
    CSoundConverter converter(nullptr, &m_center);
    ASSERT_TRUE(Decode(converter, 3, Fixture("tone-stereo-44100.mp3"), SoundRule{}));
    CWaveFile decoded;
    ASSERT_TRUE(decoded.OpenReadOnly(m_wavPath, nullptr));
    uint64_t frames = decoded.GetDataLength() / 4;
    decoded.Close();

    ASSERT_TRUE(converter.ConvertForDevice(m_wavPath, Rule(0, 48000, 1)));
    const auto& image = converter.Output();
    uint64_t expectedFrames = (frames * 48000 + 22050) / 44100;  // rounded
    EXPECT_EQ(image.size(), 44 + expectedFrames * 2);
    std::string header(image.begin(), image.begin() + 44);
    EXPECT_EQ(ReadLe32(header, 24), 48000u);
    EXPECT_EQ(ReadLe32(header, 28), 96000u);
    EXPECT_EQ(ReadLe32(header, 40), image.size() - 44);
    std::vector<int16_t> samples = Samples16(image.data() + 44, image.size() - 44);
    // Left 440 Hz and right 660 Hz, each at half level once mixed.
    EXPECT_GT(ToneLevel(samples, 1, 0, 48000, 440.0), 0.25);
    EXPECT_GT(ToneLevel(samples, 1, 0, 48000, 660.0), 0.25);
    EXPECT_LT(ToneLevel(samples, 1, 0, 48000, 1000.0), 0.01);
    std::filesystem::remove(m_wavPath);
}

TEST_F(ConverterTest, AdpcmRuleSendsAQuarterOfTheConvertedBytes)
{
    std::vector<int16_t> samples(1001, 0);
    samples[0] = 1000;
    WriteFileBytes(m_tmpDir.File("short.wav"), CanonicalWav(1, 48000, samples));
    CSoundConverter converter(nullptr, &m_center);
    ASSERT_TRUE(converter.ConvertToPcm(m_tmpDir.File("short.wav"), Rule(1, 48000, 1)));
    EXPECT_EQ(converter.Output().size(), 2002u);

    ASSERT_TRUE(converter.ConvertForDevice(m_tmpDir.File("short.wav"), Rule(1, 48000, 1)));
    ASSERT_EQ(converter.Output().size(), 500u);
    EXPECT_EQ(converter.Output()[0] & 0x0F, 7) << "sample 1000 from the reset state";
    // Each conversion starts from the reset state: the same bytes again.
    std::vector<uint8_t> first = converter.Output();
    ASSERT_TRUE(converter.ConvertForDevice(m_tmpDir.File("short.wav"), Rule(1, 48000, 1)));
    EXPECT_EQ(converter.Output(), first);
}

TEST_F(ConverterTest, NoResultForARefusedFileOrAnImpossibleRule)
{
    WriteFileBytes(m_tmpDir.File("ok.wav"), CanonicalWav(1, 44100, Sine(44100, 4410, {440}, 0.5)));
    std::string wav24 = CanonicalWav(1, 44100, {0, 0, 0});
    wav24[34] = 24;
    WriteFileBytes(m_tmpDir.File("24bit.wav"), wav24);
    struct Case {
        const char* name;
        std::string path;
        SoundRule rule;
    };
    const Case cases[] = {
        {"24-bit WAV", m_tmpDir.File("24bit.wav"), SoundRule{}},
        {"missing WAV", m_tmpDir.File("absent.wav"), SoundRule{}},
        {"3 channels", m_tmpDir.File("ok.wav"), Rule(0, 44100, 3)},
        {"0 channels", m_tmpDir.File("ok.wav"), Rule(0, 44100, 0)},
        {"rate 0", m_tmpDir.File("ok.wav"), Rule(0, 0, 1)},
        {"24 bits", m_tmpDir.File("ok.wav"), Rule(0, 44100, 1, 24)},
        {"65537 channels", m_tmpDir.File("ok.wav"), Rule(1, 44100, 65537)},
    };
    CSoundConverter converter(nullptr, &m_center);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(converter.ConvertForDevice(m_tmpDir.File("ok.wav"), SoundRule{}));
        EXPECT_FALSE(converter.ConvertToWaveImage(c.path, c.rule));
        EXPECT_TRUE(converter.Output().empty());
        ASSERT_TRUE(converter.ConvertForDevice(m_tmpDir.File("ok.wav"), SoundRule{}));
        EXPECT_FALSE(converter.ConvertToPcm(c.path, c.rule));
        EXPECT_TRUE(converter.Output().empty());
    }
    EXPECT_EQ(ReadFileBytes(m_tmpDir.File("24bit.wav")), wav24) << "a refused file is left as it was";
    EXPECT_FALSE(std::filesystem::exists(m_tmpDir.File("absent.wav"))) << "nothing is created";
}

TEST_F(ConverterTest, StartDecodeKeepsTheLimitForSlotsWithoutOne)
{
    SoundRule withList;
    withList.maxInterceptDurations = {10, 20, 30};
    CSoundConverter converter(nullptr, &m_center);
    ASSERT_TRUE(Decode(converter, 5, Fixture("tone-mono-44100.mp3"), withList));
    EXPECT_EQ(converter.Limit(), 20);
    std::filesystem::remove(m_wavPath);
    ASSERT_TRUE(Decode(converter, 1, Fixture("tone-mono-44100.mp3"), SoundRule{}));
    EXPECT_EQ(converter.Limit(), 35);
    std::filesystem::remove(m_wavPath);
    ASSERT_TRUE(Decode(converter, 5, Fixture("tone-mono-44100.mp3"), SoundRule{}));
    EXPECT_EQ(converter.Limit(), 35);
    std::filesystem::remove(m_wavPath);
}

namespace {

std::string SoundRuleDocument(int channels, const std::string& limits)
{
    return "<?xml version=\"1.0\"?><VyAudio><Rule><Section Name=\"SoundDownloadRule\">"
           "<Item name=\"ADPCM\" value=\"1\"/><Item name=\"SoundSampleRate\" value=\"22050\"/>"
           "<Item name=\"SoundFormat\" ChannelNum=\"" +
        std::to_string(channels) + "\" BitPerSample=\"16\" MaxInterceptDuration=\"" + limits +
        "\"/></Section></Rule></VyAudio>";
}

}  // namespace

TEST_F(ConverterTest, FormatComesFromTheRuleSetWithTheModelOverride)
{
    std::vector<int16_t> samples = Sine(44100, 44100, {440, 440}, 0.5);  // one second, stereo
    WriteFileBytes(m_tmpDir.File("tone.wav"), CanonicalWav(2, 44100, samples));
    struct Case {
        const char* model;
        int channels;
        size_t rate;  // the model's rate, whatever the document says (22050)
        bool adpcm;
    };
    const Case cases[] = {
        {"PX40", 2, 44100, false},
        {"PX40", 1, 44100, false},
        {"PX50", 2, 48000, true},
        {"px40", 1, 48000, true},  // the model name matches exactly
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.channels));
        RuleSet rules;
        ASSERT_TRUE(rules.LoadText(SoundRuleDocument(c.channels, "1,2,3")));
        rules.ApplyModelOverride(c.model);
        CSoundConverter converter(nullptr, &m_center, &rules);
        const size_t pcmBytes = c.rate * static_cast<size_t>(c.channels) * 2;  // one second
        ASSERT_TRUE(converter.ConvertToPcm(m_tmpDir.File("tone.wav")));
        EXPECT_EQ(converter.Output().size(), pcmBytes);
        ASSERT_TRUE(converter.ConvertForDevice(m_tmpDir.File("tone.wav")));
        EXPECT_EQ(converter.Output().size(), c.adpcm ? pcmBytes / 4 : 44 + pcmBytes);
    }
}

TEST_F(ConverterTest, RuleSetIsReadAtTheMomentOfUse)
{
    RuleSet rules;
    ASSERT_TRUE(rules.LoadText(SoundRuleDocument(1, "1,2,3")));
    rules.ApplyModelOverride("PX40");
    CSoundConverter converter(nullptr, &m_center, &rules);
    ASSERT_TRUE(converter.StartDecode(1, this, Fixture("tone-mono-44100.mp3"), 100, false));
    ASSERT_TRUE(m_loop.RunUntil([this] { return m_status >= 0; }, 20000));
    ASSERT_EQ(m_status, 1);
    EXPECT_EQ(converter.Limit(), 2) << "slot 1 takes entry 1 of the list";

    // A reload between decode and conversion (a device change) is seen.
    ASSERT_TRUE(rules.LoadText(SoundRuleDocument(2, "")));
    rules.ApplyModelOverride("PX40");
    ASSERT_TRUE(converter.ConvertForDevice(m_wavPath));
    std::string header(converter.Output().begin(), converter.Output().begin() + 44);
    EXPECT_EQ(ReadLe16(header, 22), 2);
    std::filesystem::remove(m_wavPath);
}

TEST_F(ConverterTest, ShippedRulesGiveThePx40FormatAndLimits)
{
    std::string longMp3 = LongMp3();
    ASSERT_FALSE(longMp3.empty());
    CFolderResourceProvider documents(SourceDir() + "/data/archive");
    RuleSet rules;
    ASSERT_TRUE(rules.Load(documents));
    rules.ApplyModelOverride(kModelPX40);
    ASSERT_FALSE(rules.MaxInterceptDurations().empty());
    const int slot = 2;
    ASSERT_LT(static_cast<size_t>(slot), rules.MaxInterceptDurations().size());
    int limit = rules.MaxInterceptDurations()[slot];

    CSoundConverter converter(nullptr, &m_center, &rules);
    ASSERT_TRUE(converter.StartDecode(slot, this, longMp3, 100, false));
    ASSERT_TRUE(m_loop.RunUntil([this] { return m_status >= 0; }, 20000));
    ASSERT_EQ(m_status, 1);
    EXPECT_EQ(converter.Limit(), limit);
    ASSERT_TRUE(converter.ConvertForDevice(m_wavPath));
    const size_t bytesPerSecond = static_cast<size_t>(rules.SoundSampleRate()) * rules.ChannelNum() * rules.BitPerSample() / 8;
    EXPECT_EQ(converter.Output().size(), 44 + static_cast<size_t>(limit) * bytesPerSecond);
    std::filesystem::remove(m_wavPath);
}
