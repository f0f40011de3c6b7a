#include "EngineTestSupport.h"

#include "audio/AudioEngine.h"
#include "audio/ByteSource.h"
#include "audio/Mp3Stream.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vy::test {
namespace {

std::unique_ptr<CMp3Stream> OpenBytes(const std::string& bytes, std::string& error)
{
    return CMp3Stream::Open(CopyMemoryBytes(bytes.data(), bytes.size()), error);
}

// Correlation of decoded against original at a lag (decoded shifted by lag).
double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint32_t channels, int lag)
{
    const size_t frames = std::min(a.size(), b.size()) / channels;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 2000; i + 2000 < frames; ++i) {
        const long j = long(i) + lag;
        double x = a[i * channels], y = b[size_t(j) * channels];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return ab / std::sqrt(aa * bb + 1e-9);
}

struct EncodeCase {
    uint32_t sampleRate;
    uint32_t channels;
    double seconds;
    uint32_t kbps;
    bool tagged;  // LAME leaves the tag frame out when frames are too small for it
};

void PrintTo(const EncodeCase& c, std::ostream* out)
{
    *out << c.sampleRate << " Hz, " << c.channels << " ch, " << c.seconds << " s, " << c.kbps << " kbps";
}

class Mp3StreamEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

// Encoded with LAME and read back: exactly the encoded number of samples,
// in place (no delay at the start), carrying the tone.
TEST_P(Mp3StreamEncodeTest, ReadsBackWhatWasEncodedInPlace)
{
    const EncodeCase c = GetParam();
    CTempDir dir;
    // A tone with a rising frequency: a shifted copy does not match itself.
    std::vector<int16_t> input(size_t(c.seconds * c.sampleRate) * c.channels);
    for (size_t i = 0; i < input.size() / c.channels; ++i) {
        double t = double(i) / c.sampleRate;
        double v = 0.5 * 32767 * std::sin(2 * M_PI * (300 * t + 200 * t * t));
        for (uint32_t ch = 0; ch < c.channels; ++ch)
            input[i * c.channels + ch] = int16_t(v);
    }
    WriteMp3(dir.File("a.mp3"), input, c.sampleRate, c.channels, c.kbps);
    std::string error;
    auto stream = CMp3Stream::Open(OpenFileBytes(dir.File("a.mp3"), error), error);
    ASSERT_TRUE(stream) << error;
    EXPECT_EQ(stream->HasEncoderTag(), c.tagged);
    EXPECT_EQ(stream->SampleRate(), c.sampleRate);
    EXPECT_EQ(stream->Channels(), c.channels);
    EXPECT_NEAR(double(stream->BitrateKbps()), double(c.kbps), c.kbps * 0.1);
    std::vector<int16_t> output = DecodeAll(*stream);
    if (!c.tagged) {
        // Whole frames, the encoder's delay and padding included.
        const uint64_t perFrame = c.sampleRate < 32000 ? 576 : 1152;
        EXPECT_EQ(stream->TotalFrames(), stream->MpegFrameCount() * perFrame);
        EXPECT_GT(stream->TotalFrames(), input.size() / c.channels);
        EXPECT_EQ(output.size(), stream->TotalFrames() * c.channels);
        return;
    }
    EXPECT_EQ(stream->TotalFrames(), input.size() / c.channels);
    ASSERT_EQ(output.size(), input.size());
    const double inPlace = Correlation(input, output, c.channels, 0);
    EXPECT_GT(inPlace, 0.9);
    for (int lag : {-576, -100, -1, 1, 100, 576})
        EXPECT_LT(Correlation(input, output, c.channels, lag), inPlace) << "lag " << lag;
}

INSTANTIATE_TEST_SUITE_P(Formats, Mp3StreamEncodeTest,
                         ::testing::Values(EncodeCase{44100, 2, 2.0, 128, true}, EncodeCase{44100, 1, 1.0, 64, true},
                                           EncodeCase{48000, 2, 1.5, 192, true}, EncodeCase{22050, 1, 1.2, 64, true},
                                           EncodeCase{8000, 1, 0.7, 32, true}, EncodeCase{22050, 1, 1.2, 32, false}),
                         [](const ::testing::TestParamInfo<EncodeCase>& param) {
                             const EncodeCase& c = param.param;
                             return std::to_string(c.sampleRate) + "Hz_" + std::to_string(c.channels) + "ch_" +
                                    std::to_string(c.kbps) + "kbps";
                         });

class Mp3StreamFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_input = Tone(440, 3.0, 44100, 2);
        m_bytes = ReadFileBytes(WriteMp3(m_dir.File("tone.mp3"), m_input, 44100, 2));
    }
    CTempDir m_dir;
    std::vector<int16_t> m_input;
    std::string m_bytes;
};

// A seek gives the same samples as reading up to there, wherever it lands
// (the frame's data may start frames earlier).
TEST_F(Mp3StreamFileTest, SeekGivesTheSamplesOfAStraightRead)
{
    std::string error;
    auto stream = OpenBytes(m_bytes, error);
    ASSERT_TRUE(stream) << error;
    const std::vector<int16_t> all = DecodeAll(*stream);
    const uint64_t total = stream->TotalFrames();
    for (uint64_t target : {uint64_t(0), uint64_t(1), uint64_t(1152), uint64_t(1153), uint64_t(44100),
                            uint64_t(100000), total - 1000, total - 1}) {
        stream->Seek(target);
        std::vector<int16_t> block(2000 * 2);
        size_t got = stream->Read(block.data(), 2000);
        ASSERT_EQ(got, std::min<uint64_t>(2000, total - target)) << "target " << target;
        for (size_t i = 0; i < got * 2; ++i)
            ASSERT_NEAR(block[i], all[target * 2 + i], 2) << "target " << target << " sample " << i;
    }
    stream->Seek(total + 5000);
    int16_t sample[2];
    EXPECT_EQ(stream->Read(sample, 1), 0u);
}

// Tags before and after the audio are not audio.
TEST_F(Mp3StreamFileTest, SkipsTagsAroundTheAudio)
{
    std::string id3v2 = std::string("ID3\x04\x00\x00", 6) + std::string("\x00\x00\x02\x00", 4);  // 256 bytes
    id3v2 += std::string(256, '\xFF');  // sync-like filler inside the tag
    std::string id3v1 = "TAG" + std::string(125, 'x');
    std::string tagged = id3v2 + m_bytes + id3v1;
    std::string error;
    auto plain = OpenBytes(m_bytes, error);
    auto stream = OpenBytes(tagged, error);
    ASSERT_TRUE(plain && stream) << error;
    EXPECT_EQ(stream->TotalFrames(), plain->TotalFrames());
    EXPECT_EQ(stream->MpegFrameCount(), plain->MpegFrameCount());
    EXPECT_EQ(DecodeAll(*stream), DecodeAll(*plain));
}

// Without the encoder's tag frame every decoded sample is played.
TEST_F(Mp3StreamFileTest, WithoutTagFramePlaysWholeFrames)
{
    std::string error;
    auto tagged = OpenBytes(m_bytes, error);
    ASSERT_TRUE(tagged) << error;
    // The tag frame comes first; at 128 kbps and 44100 Hz a frame is 417
    // bytes, one more with the padding bit.
    ASSERT_EQ(static_cast<unsigned char>(m_bytes[0]), 0xFF);
    const size_t second = 417 + ((static_cast<unsigned char>(m_bytes[2]) >> 1) & 1);
    auto stream = OpenBytes(m_bytes.substr(second), error);
    ASSERT_TRUE(stream) << error;
    EXPECT_FALSE(stream->HasEncoderTag());
    EXPECT_EQ(stream->MpegFrameCount(), tagged->MpegFrameCount());
    EXPECT_EQ(stream->TotalFrames(), stream->MpegFrameCount() * 1152);
    EXPECT_EQ(DecodeAll(*stream).size(), stream->TotalFrames() * 2);
}

// Damaged frames keep their length (as silence or whatever libmad makes of
// them); a cut-off end loses only the cut frame.
TEST_F(Mp3StreamFileTest, DamageKeepsTheLength)
{
    std::string error;
    auto intact = OpenBytes(m_bytes, error);
    ASSERT_TRUE(intact) << error;
    std::string damaged = m_bytes;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 1500; i += 7)
        damaged[i] = static_cast<char>(i * 31);
    auto stream = OpenBytes(damaged, error);
    ASSERT_TRUE(stream) << error;
    EXPECT_GE(stream->MpegFrameCount() + 4, intact->MpegFrameCount());
    EXPECT_EQ(DecodeAll(*stream).size(), stream->TotalFrames() * 2);

    auto cut = OpenBytes(m_bytes.substr(0, m_bytes.size() - 200), error);
    ASSERT_TRUE(cut) << error;
    EXPECT_EQ(cut->MpegFrameCount(), intact->MpegFrameCount() - 1);
    EXPECT_EQ(DecodeAll(*cut).size(), cut->TotalFrames() * 2);
}

TEST(Mp3StreamRefusalTest, NonMp3BytesAreRefused)
{
    const std::vector<std::string> cases = {
        std::string(),
        std::string("hello, this is not a sound at all, just some text in a file"),
        std::string(5000, '\0'),
        std::string("\xFF\xFB\x90\x00", 4),  // one header and nothing after it
        WavBytes(Tone(440, 0.1, 8000, 1), 8000, 1),
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::string error;
        EXPECT_FALSE(OpenBytes(cases[i], error)) << "case " << i;
        EXPECT_FALSE(error.empty()) << "case " << i;
    }
}

}  // namespace
}  // namespace vy::test
